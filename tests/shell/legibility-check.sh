#!/usr/bin/env bash
# Legibility of the drawn text: every systems page on the EICAS unit and the map on the MFD
# unit, at the default 484 x 605 window, each at a moment of orvex-sim's built-in flight where
# it has something to show. Each text the last frame drew is cut out of the screenshot at the
# box its trace gives (position, em, advance width) and read by tesseract alone; at least
# MIN_PERCENT of the readable texts of all units together must read exactly. Left out: texts
# of one character, texts with symbols (degree signs, arrows), turned texts (the rose's
# labels) and texts drawn over one another (map labels of nearby stations).
# Usage: legibility-check.sh BUILD_DIR [MIN_PERCENT] ; exit 77 (skipped) without tesseract.
set -euo pipefail
build=$(realpath "$1")
min=${2:-95}
here=$(dirname "$(realpath "$0")")
if ! command -v tesseract >/dev/null || ! tesseract --list-langs 2>/dev/null | grep -qx eng; then
  echo "legibility-check: SKIPPED: tesseract with English data is not installed (scripts/install-deps installs tesseract-ocr and tesseract-ocr-eng)"
  exit 77
fi
command -v convert >/dev/null || { echo "legibility-check: SKIPPED: ImageMagick's convert is not installed"; exit 77; }
# LEGIBILITY_KEEP=DIR keeps the screenshots, traces and cut-outs there for a look.
work=${LEGIBILITY_KEEP:-$(mktemp -d)}
mkdir -p "$work"
export ORVEX_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$ORVEX_RUNTIME_DIR"
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=offscreen
sim=""
trap '[ -n "$sim" ] && kill $sim 2>/dev/null; wait 2>/dev/null; [ -n "${LEGIBILITY_KEEP:-}" ] || rm -rf "$work"' EXIT

# name, MFD=0/EICAS=1, flight second, input script (frame-numbered events)
shoot() {
  local name=$1 mode=$2 second=$3 script=$4
  local unit="$work/$name"
  mkdir -p "$unit"
  cp -r "$build/unit/data" "$build/unit/textures" "$unit/"
  printf '[X_SIZE,Y_SIZE]\n484,605\n[X_POSITION,Y_POSISTION]\n0,0\n[FRAMELESS_WINDOW(0-1)]\n0\n[DISPLAY_BEZEL(0-1)]\n0\n[MFD=0,EICAS=1]\n%s\n[PLANPATH]\n"c:\\"\n[PATH_TO_DU2]\n"c:\\"\n[PATH_TO_DU3]\n"c:\\"' \
    "$mode" >"$unit/MFD.ini"
  printf '%b' "$script" >"$unit/input.txt"
  "$build/tools/orvex-sim" --freeze --at "$second" >"$unit/sim.out" &
  sim=$!
  for _ in $(seq 300); do grep -q ready "$unit/sim.out" && break; sleep 0.1; done
  "$build/unit/orvex" --dir "$unit" --headless --frames 1 >/dev/null
  "$build/unit/orvex" --dir "$unit" --headless --frames 480 --input "$unit/input.txt" \
    --text-trace "$unit/trace.jsonl" --screenshot "$unit/shot.png" >/dev/null
  kill $sim; wait $sim 2>/dev/null || true
  sim=""
  convert "$unit/shot.png" -depth 8 "$unit/shot.ppm"
}

# A soft key pressed as a click in its bezel region (row at 88.5 % down, keys at these % across).
key() { awk -v k="$1" 'BEGIN { split("20.5 30.5 41.5 52.5 62.5 73", x, " "); printf "5 click %d %d\\n", x[k + 1] * 4.84, 88.5 * 6.05 }'; }

shoot sumry 1 515 "$(key 0)"
shoot elec 1 200 "$(key 1)"
shoot hyd 1 700 "$(key 2)"
shoot ecs 1 700 "$(key 3)"
shoot flt 1 4410 "$(key 4)"
shoot fuel 1 2100 "$(key 5)"
shoot map 0 700 '2 key V press\n4 key A press\n6 key 4 press\n'

/usr/bin/python3 "$here/legibility_check.py" "$min" "$work"/{sumry,elec,hyd,ecs,flt,fuel,map}
