#!/bin/bash
# The window's memory on a laptop screen: opens the main window under Xvfb at
# 1366x768 with nothing loaded from the network (KAPLO_NO_INITIAL_LOAD, a site
# table that points at 127.0.0.1), sums the proportional set size of the
# window's process and its Qt WebEngine processes (/proc/PID/smaps_rollup),
# visits every tab, shows one page saved by `kaplo download` from a local
# server in the local page tab, and sums again. Targets: 250 MB after the
# start, 400 MB after the visit.
#
#   bench/window_memory.sh [BUILD]      (BUILD: the build folder, default build)
set -euo pipefail
build=${1:-build}
tour=$build/bin/window_tour
kaplo=$build/bin/kaplo
server=$build/bin/slow_site_server
for f in "$tour" "$kaplo" "$server"; do
  [ -x "$f" ] || { echo "window_memory: no $f (build first)" >&2; exit 2; }
done
command -v Xvfb >/dev/null || { echo "window_memory: Xvfb is not installed" >&2; exit 2; }

work=$(mktemp -d /tmp/kaplo-window-memory.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A small page with a stylesheet and an image, served from 127.0.0.1.
mkdir -p "$work/site" "$work/home"
cat > "$work/site/index.html" <<'HTML'
<!DOCTYPE html><html><head><meta charset="utf-8"><title>保存されたページ</title>
<link rel="stylesheet" href="style.css"></head>
<body><h1>保存されたページ</h1><p>日本語の本文。</p><img src="dot.png" alt=""></body></html>
HTML
printf 'body { color: #123456; background: #fafafa; }\n' > "$work/site/style.css"
printf '\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\rIDATx\x9cc\xf8\xff\xff?\0\x05\xfe\x02\xfe\xa7\x35\x81\x84\0\0\0\0IEND\xaeB`\x82' > "$work/site/dot.png"
# The server serves until its input closes: this script holds the pipe.
mkfifo "$work/hold"
"$server" "$work/site" 0 > "$work/port" < "$work/hold" &
pids+=($!)
exec 4> "$work/hold"
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -1 "$work/port" | tr -dc 0-9)
"$kaplo" download "http://127.0.0.1:$port/index.html" "$work/saved" --yes > /dev/null 2>&1
saved=$(find "$work/saved" -name index.html | head -1)
[ -n "$saved" ] || { echo "window_memory: the page was not saved" >&2; exit 1; }

# Every outside address the window knows points at a closed port here.
cat > "$work/sites.ini" <<INI
[Search]
GoogleJapan=http://127.0.0.1:9
GoogleWorld=http://127.0.0.1:9
YahooJapan=http://127.0.0.1:9
YahooWorld=http://127.0.0.1:9
[Pages]
YahooDictionary=http://127.0.0.1:9/dic
YahooMap=http://127.0.0.1:9/map
GoogleMaps=http://127.0.0.1:9/maps
OwnAddress=http://127.0.0.1:9/own
INI

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp > /dev/null 2>&1 &
pids+=($!)
sleep 1
DISPLAY=$display HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
  XDG_DATA_HOME=$work/home/.local/share KAPLO_NO_INITIAL_LOAD=1 KAPLO_SITES=$work/sites.ini \
  "$tour" "$saved" 2> "$work/tour.log" || { cat "$work/tour.log" >&2; exit 1; }
