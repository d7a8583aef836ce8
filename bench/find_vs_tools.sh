#!/usr/bin/env bash
# Times the file search beside the usual tools on one generated tree, in one run:
#   kaplo find --name '*.txt'               vs  find -iname '*.txt'
#   kaplo find --phrase P --case            vs  grep -rlF P
#   kaplo find --phrase P (ignoring case)   vs  grep -rliF P
# and checks that both sides find the same set of paths.
# Usage: bench/find_vs_tools.sh [FILES]   (default 100000)
#        KAPLO=path/to/kaplo to time another build (default build/bin/kaplo)
#        RUNS=n runs of each side, the best counts (default 5)
set -euo pipefail

cd "$(dirname "$0")/.."
files=${1:-100000}
kaplo=${KAPLO:-build/bin/kaplo}
runs=${RUNS:-5}

if [ ! -x "$kaplo" ]; then
  echo "find_vs_tools: $kaplo not found; build first (make build) or set KAPLO" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/tree

# Folders three deep, 100 files in each, names and sizes of a source tree;
# one file in 50 holds the phrase (in varying case), one in 100 spans 61440 bytes.
python3 - "$tree" "$files" <<'EOF'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
random.seed(7)
exts = [".txt", ".TXT", ".html", ".css", ".js", ".json", ".c", ".md"]
words = b"alpha beta gamma delta kappa lambda sigma omega index value token folder".split()
filler = b" ".join(random.choice(words) for _ in range(20000)) + b"\n"
per_dir = 100
made = 0
d = 0
while made < count:
    folder = os.path.join(root, "d%02d" % (d // 100), "e%02d" % (d // 10 % 10), "f%02d" % (d % 10))
    os.makedirs(folder, exist_ok=True)
    for i in range(min(per_dir, count - made)):
        name = "file_%05d_%d%s" % (made, i, exts[made % len(exts)])
        size = random.choice([200, 600, 1200, 2500, 4000, 8000]) if made % 100 else 70000
        start = random.randrange(0, len(filler) - size)
        body = filler[start:start + size]
        if made % 50 == 0:
            at = random.randrange(0, max(1, len(body) - 20))
            word = random.choice([b"NeedleWord", b"needleword", b"NEEDLEWORD"])
            body = body[:at] + b" " + word + b" " + body[at:]
        with open(os.path.join(folder, name), "wb") as f:
            f.write(body)
        made += 1
    d += 1
EOF

# Best wall time of $runs runs, in seconds; the output of the last run is kept.
best() {
  local out=$1 best_ns="" start end ns
  shift
  for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    "$@" >"$out"
    end=$(date +%s%N)
    ns=$((end - start))
    if [ -z "$best_ns" ] || [ "$ns" -lt "$best_ns" ]; then best_ns=$ns; fi
  done
  awk -v ns="$best_ns" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

status=0
row() {  # name ours theirs peer goal ours_out theirs_out
  local same
  if cmp -s <(sort "$6") <(sort "$7"); then same="same $(wc -l <"$6") paths"; else
    same="DIFFERENT sets ($(wc -l <"$6") vs $(wc -l <"$7"))"
    status=1
  fi
  awk -v n="$1" -v a="$2" -v b="$3" -v p="$4" -v g="$5" -v s="$same" 'BEGIN {
    r = a / b
    printf "%-12s kaplo %6.3f s   %-10s %6.3f s   ratio %.2f (goal <= %.1f%s)   %s\n",
      n, a, p, b, r, g, (r <= g ? "" : ", MISSED"), s }'
}

export LC_ALL=C
find "$tree" -type f >/dev/null  # warm the cache for both sides
echo "tree: $files files in $(find "$tree" -type d | wc -l) folders, best of $runs runs, $(nproc) processors"

ours=$(best "$work/ours" "$kaplo" find "$tree" --name '*.txt')
theirs=$(best "$work/theirs" find "$tree" -iname '*.txt')
row "name" "$ours" "$theirs" "find" 1.2 "$work/ours" "$work/theirs"
# The program links the window libraries; their loading is part of every command.
start=$(best "$work/help" "$kaplo" --help)
awk -v a="$ours" -v b="$theirs" -v s="$start" 'BEGIN {
  printf "%-12s kaplo --help %.3f s; name search less start-up %.3f s, ratio %.2f\n",
    "start-up", s, a - s, (a - s) / b }'

ours=$(best "$work/ours" "$kaplo" find "$tree" --phrase NeedleWord --case)
theirs=$(best "$work/theirs" grep -rlF NeedleWord "$tree")
row "phrase" "$ours" "$theirs" "grep" 1.0 "$work/ours" "$work/theirs"

ours=$(best "$work/ours" "$kaplo" find "$tree" --phrase needleword)
theirs=$(best "$work/theirs" grep -rliF needleword "$tree")
row "phrase -i" "$ours" "$theirs" "grep -i" 1.0 "$work/ours" "$work/theirs"

exit $status
