#!/usr/bin/env bash
# Times `kaplo download --depth 2` and `wget2 -r -l 2 -k` on the same
# local site: 50 pages sharing 20 stylesheets and 200 images, every response
# delayed 20 ms. Prints both wall times, their ratio, how often the server
# was asked for each resource during kaplo's job (from the server's log), and
# the files wget2 saved that kaplo did not. wget2 runs without -p: Debian's
# wget2 1.99.1 then follows no link of the start page ("not followed (page
# requisites + level)"), while -r alone saves every page and what it needs.
# The server is
# bench/slow_site_server.cpp, built beside kaplo.
# Usage: [WGET2_FLAGS=...] bench/depth_vs_wget2.sh [path/to/kaplo] [extra kaplo flags...]
# (WGET2_FLAGS="--max-threads 6" gives wget2 as many connections as kaplo.)
set -euo pipefail
KAPLO=${1:-build/bin/kaplo}
shift || true
command -v wget2 >/dev/null || { echo "wget2 is missing (apt-get install wget2)"; exit 1; }
work=$(mktemp -d)
[ -n "${KEEP:-}" ] && echo "work folder: $work"
trap 'kill $server 2>/dev/null || true; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

PYTHONPATH="$(dirname "$0")" python3 - "$work/site" <<'PY'
import os, sys
from site_files import gif, put, root
for i in range(200):
    put(f"/img/i{i}.gif", gif)
for i in range(20):
    put(f"/css/s{i}.css", f".c{i}{{background:url(../img/i{i * 10}.gif)}}\n")
# index -> 7 pages -> 6 pages each: 50 pages in two levels.
pages = {"index.html": [f"p{k}.html" for k in range(7)]}
for k in range(7):
    pages[f"p{k}.html"] = [f"sub/p{k}_{j}.html" for j in range(6)] + ["index.html"]
    for j in range(6):
        pages[f"sub/p{k}_{j}.html"] = ["../index.html", f"p{k}_{(j + 1) % 6}.html"]
for n, (name, links) in enumerate(sorted(pages.items())):
    up = "../" if name.startswith("sub/") else ""
    html = ['<html><head><meta charset="utf-8"><title>%s</title>' % name]
    html += [f'<link rel="stylesheet" href="{up}../css/s{i}.css">' for i in range(20)]
    html.append("</head><body>")
    html += [f'<a href="{l}">{l}</a>' for l in links]
    html += [f'<img src="{up}../img/i{(n * 40 + k) % 200}.gif">' for k in range(40)]
    html.append("</body></html>")
    put(f"/s/{name}", "\n".join(html) + "\n")
PY

"$(dirname "$KAPLO")/slow_site_server" "$work/site" "${DELAY_MS:-20}" "$work/log" > "$work/port" &
server=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/s/index.html"

now() { date +%s.%N; }
t0=$(now)
wget2 -q -r -l 2 -k ${WGET2_FLAGS:-} -nH -P "$work/wget2" "$url" || true
t1=$(now)
: > "$work/log"
"$KAPLO" download "$url" "$work/kaplo" --yes --depth 2 "$@" >"$work/kaplo.out" 2>&1 || { cat "$work/kaplo.out"; exit 1; }
t2=$(now)

calc() { python3 -c "print($1)"; }
wget_s=$(calc "$t1 - $t0")
kaplo_s=$(calc "$t2 - $t1")
printf 'wget2  %6.2f s  %d files\n' "$wget_s" "$(find "$work/wget2" -type f | wc -l)"
printf 'kaplo  %6.2f s  %d files\n' "$kaplo_s" "$(find "$work/kaplo" -type f ! -name 'Z*_*' | wc -l)"
printf 'ratio  %6.2f (kaplo / wget2, target <= 0.8)\n' "$(calc "$kaplo_s / $wget_s")"
grep -c '^GET /s/.*\.html' "$work/log" | sed 's/^/pages requested by kaplo: /'
python3 - "$work/log" <<'PY'
import collections, sys
hits = collections.Counter(l.split()[1] for l in open(sys.argv[1]) if l.startswith("GET "))
res = {p: n for p, n in hits.items() if p.startswith(("/css/", "/img/"))}
print(f"resources requested by kaplo: {len(res)}, each once: {'yes' if all(n == 1 for n in res.values()) else 'NO'}"
      f" (most: {max(res.values()) if res else 0})")
PY
missing=0
while IFS= read -r f; do
  rel=${f#"$work/wget2/"}
  [ -e "$work/kaplo/$rel" ] || { echo "missing in kaplo's folder: $rel"; missing=$((missing + 1)); }
done < <(find "$work/wget2" -type f ! -name robots.txt)
echo "files wget2 saved that kaplo did not: $missing"
