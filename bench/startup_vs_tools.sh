#!/usr/bin/env bash
# Times whole kaplo processes, from start to exit, beside the plain tools in
# one run, and prints the ratios:
#   kaplo tosjis < /dev/null            vs  cat < /dev/null          (start-up alone)
#   kaplo normalise, 10 MB page, pipes  vs  iconv -f CP932 -t UTF-8 (same page, same pipes)
#   kaplo rtf,       10 MB page, pipes  vs  iconv -f CP932 -t UTF-8
# Runs alternate between the two sides so a busy machine slows both alike;
# each figure is the median wall time of RUNS runs (CPU time beside it).
# Usage: bench/startup_vs_tools.sh [SIZE_MB]   (default 10)
#        KAPLO=path/to/kaplo (default build/bin/kaplo), RUNS=N (default 100 / 9)
set -euo pipefail

cd "$(dirname "$0")/.."
size_mb=${1:-10}
kaplo=${KAPLO:-build/bin/kaplo}
if [ ! -x "$kaplo" ]; then
  echo "startup_vs_tools: $kaplo not found; build first (make build) or set KAPLO" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sample=$work/page.html

# A Japanese news-like page in Shift_JIS: tags in mixed case, attributes,
# entities, comments, blank lines, a script and a style block.
python3 - "$sample" "$size_mb" <<'EOF'
import sys
path, size = sys.argv[1], int(sys.argv[2]) << 20
parts = ['<HTML><HEAD><META http-equiv="Content-Type" content="text/html; charset=Shift_JIS">\r\n'
         '<TITLE>ニュース一覧</TITLE>\r\n<STYLE>body { color: #333; }</STYLE>\r\n</HEAD><BODY>\r\n']
for i in range(64):
    parts.append(
        f'<DIV class="item item-{i}" id=i{i}>\r\n\r\n\r\n'
        f'  <H2><A HREF="/news/2024/{i}.html" target=_blank>本日の主な出来事と詳しい解説 {i}</A></H2>\r\n'
        f'  <P>東京都内では朝から雨が降り、交通機関に遅れが出ています。詳しくは&quot;交通情報&quot;'
        f'&nbsp;をご覧ください。<BR></P>\r\n'
        f'  <!-- item {i} -->\r\n'
        f'  <IMG SRC="/img/p{i}.jpg" WIDTH=120 HEIGHT=80 ALT="写真"><BR>\r\n</DIV>\r\n'
        f'<SCRIPT>var n{i} = {i}; if (n{i} < 3) document.title = "{i}";</SCRIPT>\r\n')
block = "".join(parts[1:]).encode("cp932")
head = parts[0].encode("cp932")
data = head + block * ((size - len(head)) // len(block) + 1)
open(path, "wb").write(data[:size])
EOF

python3 - "$kaplo" "$sample" "$size_mb" "${RUNS:-}" <<'EOF'
import os, statistics, sys, threading, time

kaplo, sample, size_mb, runs = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
page = open(sample, "rb").read()

def run(argv, data):
    """One process with its standard input and output on pipes; returns
    (wall seconds from spawn to exit, CPU seconds of the process)."""
    in_r, in_w = os.pipe()
    out_r, out_w = os.pipe()
    start = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ, file_actions=[
        (os.POSIX_SPAWN_DUP2, in_r, 0), (os.POSIX_SPAWN_DUP2, out_w, 1),
        (os.POSIX_SPAWN_CLOSE, in_w), (os.POSIX_SPAWN_CLOSE, out_r)])
    os.close(in_r)
    os.close(out_w)
    def feed():
        view = memoryview(data)
        while view:
            view = view[os.write(in_w, view[:1 << 16]):]
        os.close(in_w)
    feeder = threading.Thread(target=feed)
    feeder.start()
    while os.read(out_r, 1 << 16):
        pass
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - start
    feeder.join()
    os.close(out_r)
    if status != 0:
        sys.exit(f"startup_vs_tools: {' '.join(argv)} failed ({status})")
    return wall, usage.ru_utime + usage.ru_stime

def compare(label, ours, peer, data, n, goal):
    walls = ([], [])
    cpus = ([], [])
    for _ in range(n):
        for side, argv in enumerate((ours, peer)):
            w, c = run(argv, data)
            walls[side].append(w)
            cpus[side].append(c)
    w = [statistics.median(x) for x in walls]
    c = [statistics.median(x) for x in cpus]
    ratio = w[0] / w[1]
    print(f"{label:9s} kaplo {w[0] * 1000:8.2f} ms (cpu {c[0] * 1000:7.2f})   "
          f"{os.path.basename(peer[0]):5s} {w[1] * 1000:8.2f} ms (cpu {c[1] * 1000:7.2f})   "
          f"ratio {ratio:4.2f}  cpu ratio {c[0] / c[1]:4.2f}  (goal <= {goal})  "
          f"{'ok' if ratio <= goal else 'MISSED'}")

iconv = ["iconv", "-f", "CP932", "-t", "UTF-8"]
print(f"median of the runs; page: {size_mb} MB Shift_JIS HTML through pipes")
compare("start-up", [kaplo, "tosjis"], ["cat"], b"", int(runs or 100), 2)
compare("normalise", [kaplo, "normalise"], iconv, page, int(runs or 9), 2.5)
compare("rtf", [kaplo, "rtf"], iconv, page, int(runs or 9), 2)
EOF
