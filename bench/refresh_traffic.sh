#!/usr/bin/env bash
# What a refresh costs on the wire. A site of one page, 10 stylesheets and
# 60 images is served by Python's stock static server (which answers
# If-Modified-Since with 304), counting each answer's body bytes. It is
# saved with `kaplo download`, refreshed unchanged (goal: no body at all,
# the folder untouched), then refreshed after one image and one stylesheet
# changed (goal: exactly those two bodies). Then a site of six pages that
# share those stylesheets and images is saved with --depth 1 and refreshed
# unchanged (goal: each address asked for once, always with a validator, no
# body, the folder untouched).
# Usage: bench/refresh_traffic.sh [path/to/kaplo]
set -euo pipefail
KAPLO=${1:-build/bin/kaplo}
work=$(mktemp -d)
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT

PYTHONPATH="$(dirname "$0")" python3 - "$work/site" <<'PY'
import os, sys
from site_files import put, root
page = ['<html><head><title>refresh</title>']
for i in range(10):
    page.append(f'<link rel="stylesheet" href="css/s{i}.css">')
    put(f"css/s{i}.css", f".c{i}{{background:url(../img/bg{i}.png)}}\n")
    put(f"img/bg{i}.png", b"\x89PNG\r\n\x1a\n" + bytes([i]) * 200)
page.append("</head><body>")
for i in range(50):
    page.append(f'<img src="img/p{i}.png">')
    put(f"img/p{i}.png", b"\x89PNG\r\n\x1a\n" + bytes([i]) * 2000)
put("index.html", "\n".join(page + ["</body></html>"]) + "\n")
# The site: a top page linking five pages; all six share the stylesheets and ten images.
shared = page[:11] + ["</head><body>"] + [f'<img src="img/p{i}.png">' for i in range(10)]
put("site/top.html", "\n".join([p.replace('"css/', '"../css/').replace('"img/', '"../img/')
                                for p in shared] +
                               [f'<a href="page{n}.html">{n}</a>' for n in range(5)] +
                               ["</body></html>"]) + "\n")
for n in range(5):
    put(f"site/page{n}.html", "\n".join([p.replace('"css/', '"../css/').replace('"img/', '"../img/')
                                         for p in shared] + ["</body></html>"]) + "\n")
PY

cat > "$work/server.py" <<'PY'
import http.server, sys
root, log = sys.argv[1], sys.argv[2]
class Counting(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *a, **k):
        super().__init__(*a, directory=root, **k)
    def send_response(self, code, message=None):
        self.status, self.body = code, 0
        super().send_response(code, message)
    def copyfile(self, source, target):
        data = source.read()
        self.body = len(data)
        target.write(data)
    def log_request(self, code="-", size="-"):
        pass
    def handle_one_request(self):
        self.status = None
        super().handle_one_request()
        if self.status is not None:
            with open(log, "a") as f:
                asked = 1 if self.headers.get("If-Modified-Since") else 0
                f.write(f"{self.path}\t{self.status}\t{self.body}\t{asked}\n")
http.server.ThreadingHTTPServer.allow_reuse_address = True
s = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Counting)
print(s.server_address[1], flush=True)
s.serve_forever()
PY
python3 "$work/server.py" "$work/site" "$work/log" > "$work/port" &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/index.html"

# requests, answers with a body, body bytes, 304 answers
tally() { awk -F'\t' '{n++; if ($3 > 0) b++; s += $3; if ($2 == 304) m++}
                      END {printf "%d %d %d %d", n, b, s, m}' "$work/log"; }
state() { find "$work/save" -type f -printf '%P %s %T@\n' | sort | md5sum; }
now() { date +%s.%N; }

"$KAPLO" download "$url" "$work/save" --quiet >/dev/null
read -r n b s m <<<"$(tally)"
echo "first job:          $n requests, $b bodies, $s body bytes"

before=$(state)
: > "$work/log"
t0=$(now)
"$KAPLO" download "$url" "$work/save" --refresh --quiet >/dev/null
t1=$(now)
read -r n b s m <<<"$(tally)"
same=$([ "$before" = "$(state)" ] && echo "folder unchanged" || echo "FOLDER CHANGED")
printf 'unchanged refresh:  %d requests, %d answered 304, %d bodies, %d body bytes, %s, %.2f s\n' \
  "$n" "$m" "$b" "$s" "$same" "$(python3 -c "print($t1 - $t0)")"
ok=$([ "$b" -eq 0 ] && [ "$same" = "folder unchanged" ] && echo yes || echo no)

python3 - "$work/site" <<'PY'
import os, sys, time
root = sys.argv[1]
for path, data in (("img/p7.png", b"\x89PNG\r\n\x1a\nchanged"), ("css/s3.css", b".c3{color:red}\n")):
    p = os.path.join(root, path)
    with open(p, "wb") as f:
        f.write(data)
    later = time.time() + 10  # a Last-Modified second of its own
    os.utime(p, (later, later))
PY
: > "$work/log"
"$KAPLO" download "$url" "$work/save" --refresh --quiet >/dev/null
read -r n b s m <<<"$(tally)"
fetched=$(awk -F'\t' '$3 > 0 {print $1}' "$work/log" | sort | tr '\n' ' ')
echo "after two changes:  $n requests, $b bodies ($fetched), $m answered 304"
[ "$fetched" = "/css/s3.css /img/p7.png " ] || ok=no
echo "goal (no body on an unchanged refresh, the two changed files alone after): $ok"

site="http://127.0.0.1:$(cat "$work/port")/site/top.html"
"$KAPLO" download "$site" "$work/save2" --depth 1 --no-robots --quiet >/dev/null
read -r n b s m <<<"$(tally)"
echo "site (6 pages) saved with --depth 1"
before=$(find "$work/save2" -type f -printf '%P %s %T@\n' | sort | md5sum)
: > "$work/log"
"$KAPLO" download "$site" "$work/save2" --depth 1 --no-robots --refresh --quiet >/dev/null
read -r n b s m <<<"$(tally)"
most=$(awk -F'\t' '{c[$1]++} END {m = 0; for (p in c) if (c[p] > m) m = c[p]; print m}' "$work/log")
bare=$(awk -F'\t' '$4 != 1' "$work/log" | wc -l)
paths=$(cut -f1 "$work/log" | sort -u | wc -l)
same=$([ "$before" = "$(find "$work/save2" -type f -printf '%P %s %T@\n' | sort | md5sum)" ] &&
       echo "folder unchanged" || echo "FOLDER CHANGED")
echo "site refresh:       $n requests for $paths addresses (at most $most each), $bare without a validator, $m answered 304, $b bodies, $same"
site_ok=$([ "$most" -eq 1 ] && [ "$bare" -eq 0 ] && [ "$b" -eq 0 ] &&
          [ "$same" = "folder unchanged" ] && echo yes || echo no)
echo "goal (each address once, with a validator, no body, folder untouched): $site_ok"
[ "$ok" = yes ] && [ "$site_ok" = yes ]
