#!/usr/bin/env bash
# Runs the display unit in a real X window (under xvfb-run) and acts on it as a quick typist
# and a cockpit builder would: taps (key down and up sent back to back) on 8 to 1, A, V, N
# and P, each waited for in the state dump; then resizes the window, photographs it once
# the unit has drawn a few frames at the new size, and ends with Escape.
# Prints what it saw, one "key: value" a line.
set -u
orvex=$1 unit=$2
. "$(dirname "$0")/xwindow-start.sh"
last() { tail -1 "$unit/state.jsonl" 2>/dev/null; }
value() { last | grep -o "\"$1\":[a-z0-9]*" | cut -d: -f2; }
# Waits (up to 30 s, only so a lost tap ends the wait) until the state dump's field reads the value.
await() {
  for _ in $(seq 600); do [ "$(value "$1")" = "$2" ] && return 0; sleep 0.05; done
  return 1
}
for _ in $(seq 1200); do [ "$(value frame)" -ge 2 ] 2>/dev/null && break; sleep 0.05; done
acted=0
for key in 8 7 6 5 4 3 2 1; do
  xdotool key --window "$w" --delay 0 "$key"
  await MapRangeIndex $((key - 1)) && acted=$((acted + 1))
done
echo "range taps acted: $acted of 8"
for pair in a:ShowAirports v:ShowVor n:ShowNdb p:ShowRoute; do
  field=${pair#*:}
  want=$([ "$(value "$field")" = true ] && echo false || echo true)
  xdotool key --window "$w" --delay 0 "${pair%%:*}"
  await "$field" "$want" && echo "tap ${pair%%:*}: acted" || echo "tap ${pair%%:*}: lost"
done
# Resize to 800 high; the display area becomes 573 x 800. A few frames drawn after the
# resize, the picture is taken.
xdotool windowsize "$w" 600 800
for _ in $(seq 100); do
  [ "$(xdotool getwindowgeometry "$w" | sed -n 's/ *Geometry: //p')" = 600x800 ] && break
  sleep 0.05
done
start=$(value frame)
for _ in $(seq 1200); do [ "$(value frame)" -ge $((start + 10)) ] && break; sleep 0.05; done
import -window "$w" "$unit/resized.png"
# What the new picture shows where the bezel's soft keys 0 and 5 and the frame below them
# lie once scaled by 800/605 (the unscaled points of xwindow-check.sh: 89,535 316,535 216,575).
for xy in 118,708 418,708 286,761; do
  rgb=$(convert "$unit/resized.png" -crop "1x1+${xy%,*}+${xy#*,}" -depth 8 txt:- | sed -n 's/^0,0: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p')
  echo "pixel $xy: $rgb"
done
xdotool key --window "$w" Escape
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
kill -0 "$pid" 2>/dev/null && { echo "Escape lost"; kill "$pid"; }
wait "$pid"
echo "exit: $?"
