#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test headless.
# Extra arguments go to ctest (for example -R tst_unitVerdict, -L records).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
mkdir -p build

# The Windows program for the Wine checks is cross-built beside the Linux
# build rather than after it, so the two fill both cores between them; the
# Wine checks find it built (or wait for it) and go on from there. Only for a
# whole run, and only where the toolkit for Windows is at hand.
warmup=""
if [ $# -eq 0 ]; then
    scripts/build-windows.sh --if-toolkit build/windows >build/windows-warmup.log 2>&1 &
    warmup=$!
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"

# Side by side: the window's plug cycles mostly wait on its timers and run
# beside everything, as does the VM; the Wine checks take turns; tests that use
# an X server get one each. The longest start first.
status=0
ctest --test-dir build --output-on-failure --timeout 300 -j4 "$@" || status=$?
if [ -n "$warmup" ]; then
    # Long done by now; its outcome is the Wine checks'.
    wait "$warmup" || true
fi
exit "$status"
