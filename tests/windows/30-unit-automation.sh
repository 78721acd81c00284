#!/usr/bin/env bash
# The real display unit, orvex.exe, under Wine with every automation option, beside the
# Linux orvex run the same way: no simulator running (the unit shows zero values), an input
# script that presses keys and clicks and ends the run with Escape at frame 12.
# Checks: exit code 0, the state dump (one line per frame), text trace and frame log written,
# as many texts traced on both systems, the same MFD.ini written in the unit folder, and the
# two screenshots alike (at most 0.5 % of the pixels differing by more than 25 %).
set -euo pipefail
work=$ORVEX_TEST_SCRATCH/automation
out=$ORVEX_WINDOWS_BUILD/pictures
mkdir -p "$work/runtime" "$out"
printf '3 key A press\n4 click 200 540\n6 key 3 press\n12 key Escape press\n' > "$work/input.txt"
for system in linux windows; do
  rm -rf "$work/$system-unit"
  if [ $system = linux ]; then
    cp -r "$ORVEX_LINUX_BUILD/unit" "$work/$system-unit"
    ORVEX_RUNTIME_DIR=$work/runtime SDL_AUDIODRIVER=dummy timeout 300 "$ORVEX_LINUX_BUILD/unit/orvex" --headless \
      --dir "$work/$system-unit" --frames 40 --fps 30 --input "$work/input.txt" \
      --screenshot "$work/$system.png" --text-trace "$work/$system-trace.jsonl" --dump-state "$work/$system-state.jsonl" --frame-log "$work/$system-frames.jsonl"
  else
    cp -r "$ORVEX_WINDOWS_BUILD/unit" "$work/$system-unit"
    timeout 300 "$WINE" "$ORVEX_WINDOWS_BUILD/unit/orvex.exe" --headless \
      --dir "Z:$work/$system-unit" --frames 40 --fps 30 --input "Z:$work/input.txt" \
      --screenshot "Z:$work/$system.png" --text-trace "Z:$work/$system-trace.jsonl" --dump-state "Z:$work/$system-state.jsonl" --frame-log "Z:$work/$system-frames.jsonl"
  fi
  echo "$system: exit 0, $(wc -l < "$work/$system-state.jsonl") state lines, $(wc -l < "$work/$system-trace.jsonl") trace lines"
  test -s "$work/$system-unit/MFD.ini"
  test -s "$work/$system-frames.jsonl"
  [ "$(wc -l < "$work/$system-state.jsonl")" -eq 12 ] || { echo "$system: expected 12 frames in the state dump"; exit 1; }
done
# Both drew the same texts, frame for frame.
[ "$(wc -l < "$work/linux-trace.jsonl")" -eq "$(wc -l < "$work/windows-trace.jsonl")" ] || { echo "the text traces differ in length"; exit 1; }
cp "$work/linux.png" "$out/dark-linux.png"
cp "$work/windows.png" "$out/dark-windows.png"
total=$(identify -format '%[fx:w*h]' "$work/linux.png")
differing=$(compare -metric AE -fuzz 25% "$work/linux.png" "$work/windows.png" null: 2>&1 || true)
echo "screenshots: linux $(identify -format '%wx%h' "$work/linux.png"), windows $(identify -format '%wx%h' "$work/windows.png"), differing $differing of $total"
[[ "$differing" =~ ^[0-9]+$ ]] && [ "$differing" -le $(( total * 5 / 1000 )) ]
# The MFD.ini each wrote differs only where the platform writes its own line ends.
diff <(tr -d '\r' < "$work/linux-unit/MFD.ini") <(tr -d '\r' < "$work/windows-unit/MFD.ini")
