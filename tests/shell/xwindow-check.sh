#!/usr/bin/env bash
# Runs the display unit in a real X window (under xvfb-run) and acts on it as a user would:
# reads the title and position, switches the frame with F, clicks soft key 0, ends with Escape.
# Prints what it saw, one "key: value" a line.
set -u
orvex=$1 unit=$2
"$orvex" --dir "$unit" --dump-state "$unit/state.jsonl" > "$unit/out.txt" 2>&1 &
pid=$!
for _ in $(seq 100); do
  w=$(xdotool search --name "Orvex DU" 2>/dev/null | head -1)
  [ -n "$w" ] && break
  sleep 0.1
done
echo "title: $(xdotool getwindowname "$w")"
xdotool getwindowgeometry "$w" | sed -n 's/ *Position: \([0-9]*,[0-9]*\).*/position: \1/p'
# Keys are held as a person holds them: the frame acts on keys that are down when it runs.
xdotool keydown --window "$w" f; sleep 0.2; xdotool keyup --window "$w" f
sleep 0.2
# Soft key 0: 20 % across and 88.5 % down the 433 x 605 display area.
xdotool mousemove --window "$w" 87 535 click 1
sleep 0.3
xdotool keydown --window "$w" Escape; sleep 0.2; xdotool keyup --window "$w" Escape
wait "$pid"
echo "exit: $?"
