#!/usr/bin/env bash
# The unit tests that need no window, as a Windows program under Wine.
set -euo pipefail
cd "$ORVEX_TEST_SCRATCH"
timeout 300 "$WINE" "$ORVEX_WINDOWS_BUILD/tests/windows/test_windows_units.exe" --gtest_brief=1
