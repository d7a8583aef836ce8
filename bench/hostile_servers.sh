#!/usr/bin/env bash
# Measures what hostile servers cost a download: a page naming 36 images on
# six spellings of this machine (127.0.0.1 to 127.0.0.6), each a gzip bomb
# (a few MB that decompress to 1 GiB), fetched with 64 connections; and an
# image that drips 2 bytes a second without a length. Prints the maximum
# resident set of `kaplo download` (/usr/bin/time -v; goal: at most 1 GB)
# and how the images ended.
# Usage: bench/hostile_servers.sh [path/to/kaplo]
set -euo pipefail
KAPLO=${1:-build/bin/kaplo}
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package time)"; exit 1; }
work=$(mktemp -d)
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
head -c 1073741824 /dev/zero | gzip -1 -c > "$work/bomb.gz"
cat > "$work/server.py" <<'PY'
import http.server, socketserver, sys, time, threading
bomb = open(sys.argv[1], "rb").read()
class H(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def log_message(self, *a): pass
    def do_GET(self):
        if self.path.startswith("/page.html"):
            imgs = "".join(f'<img src="http://127.0.0.{i % 6 + 1}:{self.server.server_port}/b{i}.png">'
                           for i in range(36))
            body = f"<html><body>{imgs}<img src=\"/drip.png\"></body></html>".encode()
            self.send_response(200); self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body))); self.end_headers(); self.wfile.write(body)
        elif self.path.startswith("/drip"):
            self.send_response(200); self.send_header("Content-Type", "image/png"); self.end_headers()
            try:
                while True:
                    self.wfile.write(b".."); self.wfile.flush(); time.sleep(1)
            except Exception: pass
        else:
            self.send_response(200); self.send_header("Content-Type", "image/png")
            self.send_header("Content-Encoding", "gzip"); self.send_header("Content-Length", str(len(bomb)))
            self.end_headers()
            try: self.wfile.write(bomb)
            except Exception: pass
class S(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
s = S(("0.0.0.0", 0), H)
print(s.server_port, flush=True)
s.serve_forever()
PY
python3 "$work/server.py" "$work/bomb.gz" > "$work/port" 2>/dev/null &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/page.html"
/usr/bin/time -v "$KAPLO" download "$url" "$work/out" --yes --connections 64 --per-host 32 \
  --max-time 10 >"$work/out.txt" 2>"$work/err.txt" || true
grep -E "Maximum resident set size|Elapsed \(wall" "$work/err.txt"
grep -E "^画像:" "$work/out.txt" || tail -5 "$work/err.txt"
