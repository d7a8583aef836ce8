#!/usr/bin/env bash
# Times the source view commands beside the usual tools on one generated
# Shift_JIS HTML file, in one run:
#   kaplo rtf                 vs  pygmentize -f rtf -l html
#   kaplo keywords (8 words)  vs  grep -o -b -F (the same 8 words)
# Usage: bench/view_vs_tools.sh [SIZE_MB]   (default 10)
#        KAPLO=path/to/kaplo to time another build (default build/bin/kaplo)
set -euo pipefail

cd "$(dirname "$0")/.."
size_mb=${1:-10}
kaplo=${KAPLO:-build/bin/kaplo}
runs=${RUNS:-3}

if [ ! -x "$kaplo" ]; then
  echo "view_vs_tools: $kaplo not found; build first (make build) or set KAPLO" >&2
  exit 1
fi
# The Debian package's pygmentize first: it is the one scripts/setup installs.
pygmentize=/usr/bin/pygmentize
[ -x "$pygmentize" ] || pygmentize=$(command -v pygmentize || true)
if [ -z "$pygmentize" ]; then
  echo "view_vs_tools: pygmentize is missing (Debian package python3-pygments)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sample=$work/page.html

# A page-like text: tags, attributes, Japanese text, entities, comments, and
# the eight keywords spread through it.
python3 - "$sample" "$size_mb" <<'EOF'
import sys
path, size = sys.argv[1], int(sys.argv[2]) << 20
words = ["color", "href", "検索", "border", "表示", "function", "#fff", "width"]
parts = []
for i in range(64):
    w = words[i % 8]
    parts.append(
        f'<div class="item item-{i}" id=i{i}>\r\n'
        f'  <h2><a href="/news/2024/{i}.html" target=_blank>本日の主な出来事と詳しい解説 {i}</a></h2>\r\n'
        f'  <p>東京都内では朝から雨が降り、交通機関に遅れが出ています。{w} 詳しくは&quot;交通情報&quot;'
        f'&nbsp;をご覧ください。</p>\r\n'
        f'  <!-- item {i} -->\r\n'
        f'  <img src="/img/p{i}.jpg" width=120 height=80 alt="写真"><br>\r\n</div>\r\n')
block = "".join(parts).encode("cp932")
data = block * (size // len(block) + 1)
open(path, "wb").write(data[:size])
EOF

keywords="color href 検索 border 表示 function #fff width"
grep_args=()
for w in $keywords; do
  grep_args+=(-e "$(printf '%s' "$w" | iconv -f UTF-8 -t CP932)")
done

# Best wall time of $runs runs, in seconds. Output goes to a file: GNU grep
# stops at the first match when it writes to /dev/null.
best() {
  local best_ns="" start end ns
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$@" >"$work/out"
    end=$(date +%s%N)
    ns=$((end - start))
    if [ -z "$best_ns" ] || [ "$ns" -lt "$best_ns" ]; then best_ns=$ns; fi
  done
  awk -v ns="$best_ns" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

row() {  # name ours theirs peer
  awk -v n="$1" -v a="$2" -v b="$3" -v p="$4" -v mb="$size_mb" 'BEGIN {
    printf "%-10s kaplo %7.3f s (%6.1f MB/s)   %-10s %7.3f s (%6.1f MB/s)   %s is %.1fx faster\n",
      n, a, mb / a, p, b, mb / b, (a < b ? "kaplo" : p), (a < b ? b / a : a / b) }'
}

export LC_ALL=C
echo "sample: ${size_mb} MB Shift_JIS HTML, best of $runs runs"

rtf_ours=$(best sh -c "'$kaplo' rtf < '$sample'")
rtf_peer=$(best "$pygmentize" -f rtf -l html "$sample")
row rtf "$rtf_ours" "$rtf_peer" pygmentize

kw_ours=$(best "$kaplo" keywords "$keywords" "$sample")
kw_peer=$(best grep -o -b -F "${grep_args[@]}" "$sample")
row keywords "$kw_ours" "$kw_peer" grep

echo "hits: kaplo $("$kaplo" keywords "$keywords" "$sample" | wc -l)," \
  "grep $(grep -o -b -F "${grep_args[@]}" "$sample" | wc -l)"
