#!/usr/bin/env bash
# Refreshes the README's picture: the demo program (simulated DV80MAX) on a virtual 1366x768
# screen, in English, its window captured alone.  usage: scripts/screenshot.sh [out.png] [build dir]
set -euo pipefail
out=${1:-docs/panel.png}
build=${2:-build}
scripts/install-deps.sh xdotool imagemagick >/dev/null
[ -x "$build/stormedge-dsp-demo" ] || cmake --build "$build" --target stormedge-dsp-demo
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
demo=$(realpath "$build/stormedge-dsp-demo")
(cd "$work" && exec "$demo") >/dev/null 2>&1 &
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name "." 2>/dev/null |
    while read -r w; do
      g=$(xdotool getwindowgeometry "$w" | awk '/Geometry/{print $2}')
      [ "${g%x*}" -ge 1000 ] 2>/dev/null && echo "$w"
    done | head -1) || true
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the demo window did not appear" >&2; exit 1; }
sleep 3  # the start-up read and the first paint
# Options menu, then its English item (window coordinates at 100%).
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 522)) $((Y + 21)) click 1; sleep 0.7
xdotool mousemove $((X + 540)) $((Y + 143)) click 1; sleep 0.7
xdotool mousemove 0 0; sleep 0.3
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "wrote $out"
