#!/usr/bin/env bash
# The offset-protocol client against the Windows module stand-in, both as Windows programs
# under Wine: the names as the session sees them (class, message, atom, mapping), the
# handshake, the block's limits, a module of class "FS98MAIN" alone, a module that goes away
# and comes back, one that answers late, one that scribbles on the headers
# (tests/windows/link_test.cpp). Run by scripts/test-windows.
set -euo pipefail
timeout 600 "$WINE" "$ORVEX_WINDOWS_BUILD/tests/windows/link-test.exe" "Z:$ORVEX_WINDOWS_BUILD/tools/orvex-sim.exe"
