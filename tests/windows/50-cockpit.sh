#!/usr/bin/env bash
# Both display units and both stand-ins as Windows programs under Wine, talking the module
# protocol: orvex-sim.exe --at 700 (held still), unit 2 (EICAS) and unit 3 (MFD) with state
# dumps and text traces, orvex-panel.exe as the cockpit panel. Checks, each by waiting on
# what the units write about themselves:
#   both units connect and draw the simulator's values;
#   a caution raised on the EICAS unit (pitot heat off) sets the master caution bit of the
#   shared flag byte, and the MFD unit shows "CHECK EICAS";
#   soft key 0 of unit 3, pressed by orvex-panel.exe, opens the systems menu and its page.
# Run by scripts/test-windows.
set -u
build=$ORVEX_WINDOWS_BUILD
work=$ORVEX_TEST_SCRATCH/cockpit
rm -rf "$work"; mkdir -p "$work"
winpath() { printf 'Z:%s' "$1"; }
sim=$build/tools/orvex-sim.exe panel=$build/tools/orvex-panel.exe orvex=$build/unit/orvex.exe
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits until `check` (a command) succeeds, checking after each state line a unit writes;
# gives up after `limit` looks (a generous bound for a loaded machine, not a timing).
wait_for() {   # limit, command...
  local limit=$1; shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.2; done
  return 1
}
last_state() { tail -1 "$1/state.jsonl" 2>/dev/null; }
state_value() { last_state "$1" | grep -o "\"$2\":[^,}]*" | cut -d: -f2; }
connected() { [ "$(state_value "$1" LinkConnected)" = true ]; }
traced_since() {   # unit, byte offset, text
  tail -c +"$(($2 + 1))" "$1/trace.jsonl" 2>/dev/null | grep -q "\"text\":\"$3\""
}
flags() { local v; v=$(state_value "$work/du2" PanelFlags); echo "${v:-255}"; }  # none yet: not clear
caution_lit() { (( $(flags) & 0x08 )); }
alerts_clear() { (( ($(flags) & 0x18) == 0 )); }
panel() { timeout 120 "$WINE" "$panel" "$@" >/dev/null 2>&1; }  # bounded even if Wine hangs

make_unit() {   # folder, mode (1 = unit 2 EICAS, 0 = unit 3 MFD), x position
  mkdir -p "$1"
  cp -r "$build/unit/data" "$build/unit/textures" "$1/"
  printf '[X_SIZE,Y_SIZE]\r\n484,605\r\n[X_POSITION,Y_POSISTION]\r\n%s,60\r\n[FRAMELESS_WINDOW(0-1)]\r\n0\r\n[DISPLAY_BEZEL(0-1)]\r\n0\r\n[MFD=0,EICAS=1]\r\n%s\r\n[PLAN_PATH]\r\n"%s"\r\n[PATH_TO_DU2]\r\n"%s"\r\n[PATH_TO_DU3]\r\n"%s"\r\n' \
    "$3" "$2" "$(winpath "$work")" "$(winpath "$work")/du2" "$(winpath "$work")/du3" > "$1/MFD.ini"
}
# The programs started here end with the script (the units would otherwise run on).
trap 'kill $(jobs -p) 2>/dev/null' EXIT
make_unit "$work/du2" 1 0
make_unit "$work/du3" 0 500

"$WINE" "$sim" --at 700 --freeze > "$work/sim.out" 2>&1 &
wait_for 300 grep -q '^ready' "$work/sim.out" || { echo "orvex-sim.exe did not start"; cat "$work/sim.out"; exit 1; }
for unit in du2 du3; do
  "$WINE" "$orvex" --dir "$(winpath "$work/$unit")" --dump-state "$(winpath "$work/$unit")/state.jsonl" \
    --text-trace "$(winpath "$work/$unit")/trace.jsonl" > "$work/$unit.out" 2>&1 &
done

wait_for 600 connected "$work/du2" || fail "unit 2 never connected"
wait_for 600 connected "$work/du3" || fail "unit 3 never connected"
# Values from the simulator on both: the EICAS draws its N2 readouts, the MFD its heading.
wait_for 100 grep -q '"text":"N2"' "$work/du2/trace.jsonl" || fail "unit 2 draws no engine page"
[ "$(state_value "$work/du3" ShowingMfd)" = true ] || fail "unit 3 is not the MFD"
[ "$(state_value "$work/du2" ShowingEicas)" = true ] || fail "unit 2 is not the EICAS"

# Whatever power-up raised is acknowledged first, as a crew would.
for _ in $(seq 10); do alerts_clear && break; panel ack; wait_for 50 alerts_clear; done
alerts_clear || fail "alerts raised at power-up never cleared"
mark=$(stat -c %s "$work/du3/trace.jsonl")
panel poke 0x029C 1 0   # pitot heat off: "L R PITOT HT", a caution
wait_for 300 caution_lit || fail "unit 2 did not raise master caution"
wait_for 300 traced_since "$work/du3" "$mark" "CHECK EICAS" || fail "unit 3 shows no CHECK EICAS"

before="$(state_value "$work/du3" MenuLevel)/$(state_value "$work/du3" MenuPage)"
panel key 3 0           # SYS
menu_changed() { [ "$(state_value "$work/du3" MenuLevel)/$(state_value "$work/du3" MenuPage)" != "$before" ]; }
wait_for 300 menu_changed || fail "soft key 0 of unit 3 changed nothing (menu $before)"
mark=$(stat -c %s "$work/du3/trace.jsonl")
wait_for 300 traced_since "$work/du3" "$mark" "SUMRY" || fail "unit 3 draws no systems menu"

echo "menu before and after the key: $before -> $(state_value "$work/du3" MenuLevel)/$(state_value "$work/du3" MenuPage)"
echo "flag byte on unit 2: $(flags)"
[ "$failures" = 0 ] && echo "passed" || echo "FAILED: $failures"
[ "$failures" = 0 ]
