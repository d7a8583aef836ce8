#!/usr/bin/env bash
# Times `kaplo diff` beside `diff -u` on generated Japanese chapters of about
# 300 KB (paragraphs, blank lines and many repeated lines), in one run, and
# checks that both print the same hunk headers:
#   two different chapters           (almost every line differs)
#   a chapter and an edited copy     (a few per cent of the lines changed)
#   the same pair in EUC-JP          (kaplo reads it in its own code)
# Usage: bench/diff_vs_tools.sh [SIZE_KB]   (default 300)
#        KAPLO=path/to/kaplo to time another build (default build/bin/kaplo)
set -euo pipefail

cd "$(dirname "$0")/.."
size_kb=${1:-300}
kaplo=${KAPLO:-build/bin/kaplo}
runs=${RUNS:-5}

if [ ! -x "$kaplo" ]; then
  echo "diff_vs_tools: $kaplo not found; build first (make build) or set KAPLO" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$size_kb" <<'EOF'
import random, sys
work, size = sys.argv[1], int(sys.argv[2]) * 1024
words = ["東京", "電車", "駅前", "彼女", "手紙", "夕方", "雨", "窓", "先生", "学校", "猫", "海",
         "朝", "約束", "時計", "物語", "静かに", "ゆっくり", "思い出", "ふたり", "街角", "灯り"]
ends = ["だった。", "である。", "と思った。", "のだろうか。", "らしい。", "ではない。", "ていた。"]
# Lines every chapter shares, many times each: dialogue, breaks, stock phrases.
common = ["「……」", "「はい」", "「そうか」", "　＊　＊　＊", "　そうだ。", "　それから。",
          "「ええ」", "　――", "「どうして？」"]

def chapter(seed):
    rng = random.Random(seed)
    lines, total = [], 0
    while total < size:
        for _ in range(rng.randint(1, 6)):
            if rng.random() < 0.25:
                line = rng.choice(common)
            else:
                line = "　" + "、".join(
                    "".join(rng.choice(words) + rng.choice("はがをにでとも")
                            for _ in range(rng.randint(2, 4)))
                    for _ in range(rng.randint(1, 3))) + rng.choice(ends)
            lines.append(line)
            total += len(line.encode()) + 1
        lines.append("")
        total += 1
    return lines

def edited(lines, seed):
    rng = random.Random(seed)
    out = []
    for line in lines:
        r = rng.random()
        if r < 0.02:
            continue                              # deleted
        if r < 0.04:
            out.append(line + "（改）")           # changed
            continue
        out.append(line)
        if r > 0.98:
            out.append(rng.choice(common))        # inserted
    return out

a, b = chapter(1), chapter(2)
pairs = {"different": (a, b), "edited": (a, edited(a, 3))}
for name, (x, y) in pairs.items():
    open(f"{work}/{name}.a", "w").write("\n".join(x) + "\n")
    open(f"{work}/{name}.b", "w").write("\n".join(y) + "\n")
    for side, text in (("a", x), ("b", y)):
        open(f"{work}/{name}.euc.{side}", "wb").write(("\n".join(text) + "\n").encode("euc_jp"))
EOF

# Best wall time of $runs runs, in seconds.
best() {
  local best_ns="" start end ns
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$@" >"$work/out" || true
    end=$(date +%s%N)
    ns=$((end - start))
    if [ -z "$best_ns" ] || [ "$ns" -lt "$best_ns" ]; then best_ns=$ns; fi
  done
  awk -v ns="$best_ns" 'BEGIN { printf "%.4f", ns / 1e9 }'
}

export LC_ALL=C.UTF-8
status=0
echo "chapters of about ${size_kb} KB, best of $runs runs"
for name in different edited; do
  a=$work/$name.a b=$work/$name.b
  ours=$(best "$kaplo" diff "$a" "$b")
  peer=$(best diff -u "$a" "$b")
  "$kaplo" diff "$a" "$b" | grep '^@@' >"$work/ours.hunks" || true
  diff -u "$a" "$b" | grep '^@@' >"$work/peer.hunks" || true
  "$kaplo" diff "$work/$name.euc.a" "$work/$name.euc.b" | grep '^@@' >"$work/euc.hunks" || true
  same=yes
  cmp -s "$work/ours.hunks" "$work/peer.hunks" || same=no
  cmp -s "$work/euc.hunks" "$work/peer.hunks" || same=no
  [ "$same" = yes ] || status=1
  awk -v n="$name" -v a="$ours" -v b="$peer" -v h="$(wc -l <"$work/peer.hunks")" -v s="$same" \
    'BEGIN { printf "%-10s kaplo diff %7.4f s   diff -u %7.4f s   ratio %5.2f   hunks %5d   same hunks (UTF-8 and EUC-JP): %s\n",
             n, a, b, a / b, h, s }'
done
exit $status
