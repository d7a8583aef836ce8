#!/usr/bin/env bash
# kaplo convert beside iconv on one Japanese document (prose with kana,
# kanji, ASCII markup, LF and CR LF line ends) in the four codes: for each
# pair of codes, the median wall time of RUNS runs of both, their ratio, and
# whether the two outputs are the same bytes. Runs alternate between the two
# so a busy machine slows both alike.
# Usage: bench/convert_vs_iconv.sh [SIZE_MB]   (default 20)
#        KAPLO=path/to/kaplo (default build/bin/kaplo), RUNS=N (default 5)
set -euo pipefail

cd "$(dirname "$0")/.."
size_mb=${1:-20}
runs=${RUNS:-5}
kaplo=${KAPLO:-build/bin/kaplo}
if [ ! -x "$kaplo" ]; then
  echo "convert_vs_iconv: $kaplo not found; build first (make build) or set KAPLO" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/doc.utf-8" "$size_mb" <<'EOF'
import random, sys
path, size = sys.argv[1], int(sys.argv[2]) << 20
random.seed(932)
words = [chr(c) for c in range(0x3041, 0x3094)] + [chr(c) for c in range(0x30A1, 0x30F7)] + \
    list('日本語文字変換東京都千代田区株式会社新製品案内詳細平素格別高配賜厚御礼申上、。「」・ー') + \
    ['<p>', '</p>', '<a href="/news/">', '</a>', ' ', 'KAPLO 2026', '１２３', 'ＡＢＣ']
out, n = [], 0
while n < size:
    line = ''.join(random.choice(words) for _ in range(50)) + random.choice(['\n', '\r\n'])
    out.append(line)
    n += len(line.encode())
open(path, 'w', newline='').write(''.join(out))
EOF

declare -A iconv_name=([utf-8]=UTF-8 [shift_jis]=CP932 [euc-jp]=EUC-JP [iso-2022-jp]=ISO-2022-JP)
codes=(utf-8 shift_jis euc-jp iso-2022-jp)
for c in "${codes[@]}"; do
  [ "$c" = utf-8 ] || iconv -f UTF-8 -t "${iconv_name[$c]}" "$work/doc.utf-8" > "$work/doc.$c"
done

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
now() { date +%s.%N; }

printf '%-26s %9s %9s %7s  %s\n' "from -> to" "kaplo s" "iconv s" "ratio" "output"
for from in "${codes[@]}"; do
  for to in "${codes[@]}"; do
    [ "$from" = "$to" ] && continue
    in=$work/doc.$from
    : > "$work/k.times"
    : > "$work/i.times"
    for _ in $(seq "$runs"); do
      t=$(now); "$kaplo" convert --from "$from" --to "$to" "$in" > "$work/k.out"
      echo "$(now) - $t" | bc >> "$work/k.times"
      t=$(now); iconv -f "${iconv_name[$from]}" -t "${iconv_name[$to]}" "$in" > "$work/i.out"
      echo "$(now) - $t" | bc >> "$work/i.times"
    done
    k=$(median < "$work/k.times")
    i=$(median < "$work/i.times")
    same=different
    cmp -s "$work/k.out" "$work/i.out" && same=same
    printf '%-26s %9.3f %9.3f %7.2f  %s\n' "$from -> $to" "$k" "$i" "$(echo "$k / $i" | bc -l)" "$same"
  done
done
