#!/usr/bin/env bash
# Runs the display unit in a real X window (under xvfb-run) and acts on it as a user would:
# reads the title and position, switches the frame with F, clicks the six soft keys and the
# two halves of the knob drawn on the bezel, ends with Escape.
# Prints what it saw, one "key: value" a line.
set -u
orvex=$1 unit=$2
. "$(dirname "$0")/xwindow-start.sh"
echo "title: $(xdotool getwindowname "$w")"
xdotool getwindowgeometry "$w" | sed -n 's/ *Position: \([0-9]*,[0-9]*\).*/position: \1/p'
# Keys are held as a person holds them: the frame acts on keys that are down when it runs.
xdotool keydown --window "$w" f; sleep 0.2; xdotool keyup --window "$w" f
sleep 0.2
# The drawn soft keys and the knob of the bezel picture, one click each, in pixels of the
# 433 x 605 display area: the keys' middles at 88.5 % down, then the
# knob's turn-down half (85 %) and turn-up half (89 %) at 89.5 % down. Each click is given a
# few frames before the next one.
# What the window shows at each point clicked, and on the frame below the keys.
import -window "$w" "$unit/window.png"
for xy in 89,535 132,535 180,535 227,535 271,535 316,535 368,541 385,541 216,575; do
  rgb=$(convert "$unit/window.png" -crop "1x1+${xy%,*}+${xy#*,}" -depth 8 txt:- | sed -n 's/^0,0: *(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1 \2 \3/p')
  echo "pixel $xy: $rgb"
done
for x in 89 132 180 227 271 316; do
  xdotool mousemove --window "$w" "$x" 535 click 1
  sleep 0.3
done
for x in 368 385; do
  xdotool mousemove --window "$w" "$x" 541 click 1
  sleep 0.3
done
xdotool keydown --window "$w" Escape; sleep 0.2; xdotool keyup --window "$w" Escape
wait "$pid"
echo "exit: $?"
