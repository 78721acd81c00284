# Sourced by the real-window checks: starts the display unit $orvex in the folder $unit with a
# state dump, and finds its window. Sets pid (the unit) and w (its X window).
"$orvex" --dir "$unit" --dump-state "$unit/state.jsonl" > "$unit/out.txt" 2>&1 &
pid=$!
for _ in $(seq 600); do
  w=$(xdotool search --name "Orvex DU" 2>/dev/null | head -1)
  [ -n "$w" ] && break
  sleep 0.1
done
