#!/usr/bin/env bash
# Times `kaplo download` beside `wget -p -k` on generated pages of 0.3, 1 and
# 3 MB that look like real manual pages: thousands of style attributes with
# url(), inline SVG icons, code samples and Japanese text, a few stylesheets
# and images. The server (bench/slow_site_server.cpp) answers at once, so the
# times are the tools' own work. Prints, per size, the best of RUNS runs of
# each, their ratio (goal: at most 2), and kaplo's time per MB (about the
# same for every size when the work grows linearly with the page).
# Usage: bench/page_size_vs_wget.sh [path/to/kaplo]
set -euo pipefail
KAPLO=${1:-build/bin/kaplo}
RUNS=${RUNS:-3}
command -v wget >/dev/null || { echo "wget is missing (scripts/setup installs it)"; exit 1; }
work=$(mktemp -d)
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT

PYTHONPATH="$(dirname "$0")" python3 - "$work/site" <<'PY'
import os, sys
from site_files import gif, put, root
for i in range(8):
    put(f"/docs/_static/s{i}.css", f"@import url(part{i}.css);\n.c{i} {{ background: url(../_images/i{i}.gif) }}\n")
    put(f"/docs/_static/part{i}.css", f"@font-face {{ font-family: f{i}; src: url(../fonts/f{i}.woff2?v=1.0) }}\n")
    put(f"/docs/fonts/f{i}.woff2", b"wOF2" * 64)
    put(f"/docs/_images/i{i}.gif", gif)
svg = ('<svg viewBox="0 0 24 24"><path d="M15.5 14h-.79l-.28-.27A6.471 6.471 0 0016 9.5 '
       '6.5 6.5 0 109.5 16c1.61 0 3.09-.59 4.23-1.57l.27.28v.79l5 4.99L20.49 19l-4.99-5z"/></svg>')
for size_mb, name in ((0.3, "p03"), (1, "p1"), (3, "p3")):
    head = ['<!DOCTYPE html><html><head><meta charset="utf-8"><title>bench</title>']
    head += [f'<link rel="stylesheet" href="../_static/s{i}.css?v=2024.{i}">' for i in range(8)]
    head.append('<script src="../_static/app.js?v=1"></script></head><body>')
    put("/docs/_static/app.js", "var x = 1;\n")
    body, n, k = [], 0, 0
    target = int(size_mb * 1024 * 1024)
    while n < target:
        block = (f'<div class="section" style="background:url(\'../_images/i{k % 8}.gif\') no-repeat;'
                 f' color:#333; margin:{k % 7}px">\n<h2 id="s{k}">第{k}節 日本語の見出し</h2>\n'
                 f'<p>本文です。<code>str.zfill</code> と <code>b.split(b",")</code> を使います。'
                 f'<a href="#s{k}">¶</a> <a href="other{k % 50}.html">次へ</a></p>\n'
                 f'<pre>&gt;&gt;&gt; "{k}".zfill(5)\n\'{k:05d}\'\nLoading Linux 5.10.0-6-amd64 ...</pre>\n'
                 f'{svg}\n<img src="../_images/i{k % 8}.gif" alt="図{k}">\n</div>\n')
        body.append(block)
        n += len(block.encode())
        k += 1
    put(f"/docs/library/{name}.html", "\n".join(head) + "\n" + "".join(body) + "</body></html>\n")
PY

"$(dirname "$KAPLO")/slow_site_server" "$work/site" 0 > "$work/port" &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
base="http://127.0.0.1:$(cat "$work/port")/docs/library"

now() { date +%s.%N; }
best() {  # best wall time of RUNS runs of "$@", each into a fresh folder
  local best=999999 t0 t1 t
  for _ in $(seq "$RUNS"); do
    rm -rf "$work/out"
    t0=$(now); "$@" >/dev/null 2>&1 || true; t1=$(now)
    t=$(python3 -c "print($t1 - $t0)")
    best=$(python3 -c "print(min($best, $t))")
  done
  echo "$best"
}
printf '%-6s %8s %10s %10s %7s %12s\n' page MB wget_s kaplo_s ratio kaplo_s/MB
for name in p03 p1 p3; do
  mb=$(python3 -c "import os;print(round(os.path.getsize('$work/site/docs/library/$name.html')/1048576, 2))")
  w=$(best wget -q -p -k -nH -P "$work/out" "$base/$name.html")
  k=$(best "$KAPLO" download "$base/$name.html" "$work/out" --yes)
  printf '%-6s %8s %10.3f %10.3f %7.2f %12.3f\n' "$name" "$mb" "$w" "$k" \
    "$(python3 -c "print($k / $w)")" "$(python3 -c "print($k / $mb)")"
done
