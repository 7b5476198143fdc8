#!/usr/bin/env bash
# Takes docs/screenshot.png: a terminal window under Xvfb receiving data in the mixed view,
# on a virtual port pair made by socat. Needs root (for the /dev links), Xvfb, socat, xdotool
# and ImageMagick; installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [[ $(id -u) -eq 0 ]]; then sudo=(); else sudo=(sudo); fi
for p in xvfb socat xdotool imagemagick; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' \
    || "${sudo[@]}" apt-get install -y -q --no-install-recommends "$p" >&2
done
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSERIALTERM_QT=ON >&2
cmake --build build --target serialterm >&2

display=:97
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
Xvfb "$display" -screen 0 1000x700x24 >/dev/null 2>&1 & pids+=($!)
"${sudo[@]}" socat pty,raw,echo=0,link=/dev/cu.demo0 pty,raw,echo=0,link=/dev/cu.demo1 & pids+=($!)
sleep 1
export DISPLAY=$display
build/app/serialterm >/dev/null & pids+=($!)
window=$(xdotool search --sync --name 'cu\.demo' | head -n 1)
sleep 0.5
xdotool windowfocus --sync "$window"     # there is no window manager to do it
xdotool key ctrl+shift+r ctrl+2          # reading on, mixed view
sleep 0.3
printf 'Hello from the board\r\n$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\nstatus:\x00\x01\x02\xff\xfe temperature=21.5C\r\n' \
  | "${sudo[@]}" tee /dev/cu.demo0 >/dev/null
xdotool type --delay 20 'AT+GMR'
xdotool key Return
sleep 0.5
import -window root docs/screenshot.png
echo "wrote docs/screenshot.png" >&2
