#!/usr/bin/env bash
# Times `kaplo download` and `wget -p -k -E -nH` on the same local site: one
# page, 40 stylesheets and scripts, 160 images, every response delayed 20 ms.
# Prints both wall times, their ratio, any file wget saved that kaplo did not,
# and whether the folder is byte for byte the one `--connections 1` (one
# request at a time) leaves. The server is bench/slow_site_server.cpp, built
# beside kaplo.
# Usage: bench/download_vs_wget.sh [path/to/kaplo] [extra kaplo flags...]
set -euo pipefail
KAPLO=${1:-build/bin/kaplo}
shift || true
command -v wget >/dev/null || { echo "wget is missing (scripts/setup installs it)"; exit 1; }
work=$(mktemp -d)
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT

PYTHONPATH="$(dirname "$0")" python3 - "$work/site" <<'PY'
import os, sys
from site_files import gif, put, root
page = ['<html><head><meta charset="utf-8"><title>bench</title>']
for i in range(20):
    page.append(f'<link rel="stylesheet" href="/css/s{i}.css">')
    css = "".join(f".c{i}_{k}{{background:url(../img/css{i}_{k}.gif)}}\n" for k in range(2))
    put(f"/css/s{i}.css", css)
    page.append(f'<script src="/js/j{i}.js"></script>')
    put(f"/js/j{i}.js", f"var v{i} = {i};\n")
    for k in range(2):
        put(f"/img/css{i}_{k}.gif", gif)
page.append("</head><body>")
for i in range(120):
    page.append(f'<img src="/img/p{i}.gif">')
    put(f"/img/p{i}.gif", gif)
page.append("</body></html>")
put("/a/index.html", "\n".join(page) + "\n")
PY

"$(dirname "$KAPLO")/slow_site_server" "$work/site" 20 > "$work/port" &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/a/index.html"

# One request at a time first, into the same folder name: reports name it.
"$KAPLO" download "$url" "$work/kaplo" --yes --connections 1 >/dev/null 2>&1 || true
mv "$work/kaplo" "$work/serial"

now() { date +%s.%N; }
t0=$(now)
wget -q -p -k -E -nH -P "$work/wget" "$url" || true
t1=$(now)
"$KAPLO" download "$url" "$work/kaplo" --yes "$@" >"$work/kaplo.out" 2>&1 || { cat "$work/kaplo.out"; exit 1; }
t2=$(now)

calc() { python3 -c "print($1)"; }
wget_s=$(calc "$t1 - $t0")
kaplo_s=$(calc "$t2 - $t1")
printf 'wget   %6.2f s  %d files\n' "$wget_s" "$(find "$work/wget" -type f | wc -l)"
printf 'kaplo  %6.2f s  %d files\n' "$kaplo_s" "$(find "$work/kaplo" -type f ! -name 'Z*_*' | wc -l)"
printf 'ratio  %6.2f (kaplo / wget)\n' "$(calc "$kaplo_s / $wget_s")"
missing=0
while IFS= read -r f; do
  rel=${f#"$work/wget/"}
  [ -e "$work/kaplo/$rel" ] || { echo "missing in kaplo's folder: $rel"; missing=$((missing + 1)); }
done < <(find "$work/wget" -type f)
echo "files wget saved that kaplo did not: $missing"
if diff -r "$work/serial" "$work/kaplo" >/dev/null; then
  echo "same folder as --connections 1: yes"
else
  echo "same folder as --connections 1: NO"
  diff -r "$work/serial" "$work/kaplo" | head -n 20
fi
grep -E "^(CSS/JS|画像):" "$work/kaplo.out" || true

# The check of the saved copy (offscreen browser), timed on its own.
if [ -x "$(dirname "$KAPLO")/kaplo-window" ]; then
  t3=$(now)
  "$KAPLO" download "$url" "$work/kaplo" --yes "$@" --check >"$work/check.out" 2>&1 || true
  t4=$(now)
  printf 'check  %6.2f s  (download into the same folder, then --check)\n' "$(calc "$t4 - $t3")"
  grep -A1 -E "^(ネットワークへの要求|見つからないファイル|ライブのページ)" "$work/check.out" | grep -v '^--' || true
fi
