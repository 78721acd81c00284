#!/usr/bin/env bash
# Runs the display unit in a real X window (under xvfb-run) and acts on it as a user would:
# reads the title and position, switches the frame with F, clicks the six soft keys and the
# two halves of the knob drawn on the bezel, ends with Escape.
# Prints what it saw, one "key: value" a line.
set -u
orvex=$1 unit=$2
dump=$unit/state.jsonl
"$orvex" --dir "$unit" --dump-state "$dump" > "$unit/out.txt" 2>&1 &
pid=$!
# Every wait below is for the unit's own state (its window, its state dump's frames), so a
# busy machine makes the run slower, never different. A wait ends early only when the unit
# is gone.
alive() { kill -0 "$pid" 2>/dev/null || { echo "the unit ended early; its state dump is $dump"; exit 1; }; }
frame() { local line last=""; while IFS= read -r line; do last=$line; done < <(tail -n 2 "$dump" 2>/dev/null)
          grep -o '"frame":[0-9]*' <<<"$last" | cut -d: -f2; }
wait_frames() {   # N: until the unit has drawn N frames more than its newest dumped one
  local until=$(( ${2:-$(frame)} + $1 ))
  until [ "$(frame)" -ge "$until" ] 2>/dev/null; do alive; sleep 0.02; done
}
# Whether a frame dumped after byte $1 shows PATTERN.
dumped_since() { tail -c +$(($1 + 1)) "$dump" | grep -q "$2"; }
w=""
until [ -n "$w" ]; do
  alive
  w=$(xdotool search --name "Orvex DU" 2>/dev/null | head -1)
  [ -n "$w" ] || sleep 0.05
done
until [ -n "$(frame)" ]; do alive; sleep 0.05; done
echo "title: $(xdotool getwindowname "$w")"
xdotool getwindowgeometry "$w" | sed -n 's/ *Position: \([0-9]*,[0-9]*\).*/position: \1/p'
# Keys are held as a person holds them: the frame acts on keys that are down when it runs,
# so a key is let go only after two frames were drawn with it down.
from=$(frame)
xdotool keydown --window "$w" f; wait_frames 2 "$from"; xdotool keyup --window "$w" f
wait_frames 3
# The drawn soft keys and the knob of the bezel picture, one click each, in pixels of the
# 433 x 605 display area: the keys' middles at 88.5 % down, then the
# knob's turn-down half (85 %) and turn-up half (89 %) at 89.5 % down. Each click is taken
# by a frame (the state dump shows the key or the knob step) before the next one.
# What the window shows at each point clicked, and on the frame below the keys.
import -window "$w" "$unit/window.png"
for xy in 89,535 132,535 180,535 227,535 271,535 316,535 368,541 385,541 216,575; do
  rgb=$(convert "$unit/window.png" -crop "1x1+${xy%,*}+${xy#*,}" -depth 8 txt:- | sed -n 's/^0,0: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p')
  echo "pixel $xy: $rgb"
done
click() {   # x, y, what the frame that takes it dumps
  local before; before=$(stat -c %s "$dump")
  xdotool mousemove --window "$w" "$1" "$2" click 1
  until dumped_since "$before" "$3"; do alive; sleep 0.02; done
}
key=0
for x in 89 132 180 227 271 316; do
  click "$x" 535 "\"PendingSoftKey\":$key,"
  key=$((key + 1))
done
click 368 541 '"KnobDecrement":true'
click 385 541 '"KnobIncrement":true'
# Escape is held until the unit has ended.
xdotool keydown --window "$w" Escape
wait "$pid"
status=$?
xdotool keyup Escape 2>/dev/null
echo "exit: $status"
