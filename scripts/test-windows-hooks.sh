#!/usr/bin/env bash
# Cross-builds the capture and device presence code and their Windows test
# programs with mingw-w64 and runs them under Wine on the X display it is
# given ($DISPLAY; scripts/test.sh provides one through xvfb-run): the hook
# test, then the device notification test. Fails when either fails.
# Usage: scripts/test-windows-hooks.sh [build-dir]     (default: <repo>/build-mingw)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build-mingw}"

if [ -z "${DISPLAY:-}" ]; then
    echo "test-windows-hooks: needs an X display (run it under xvfb-run)" >&2
    exit 1
fi
wine="$(command -v wine64 || command -v wine || true)"
if [ -z "$wine" ]; then
    echo "test-windows-hooks: wine is not installed (scripts/deps.sh test)" >&2
    exit 1
fi

cmake -S "$repo" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
    -DTKT_CAPTURE_ONLY=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target tst_windowsHooks tst_devicePresenceWin >/dev/null

# A private 64-bit prefix beside the build; its first creation takes a while.
export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The wine server of this prefix must end with the test, or it would hold the
# output open after the program has finished.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

rc=0
for program in tst_windowsHooks tst_devicePresenceWin; do
    set +e
    "$wine" "$build/tests/win/$program.exe"
    status=$?
    set -e
    [ "$status" -eq 0 ] || rc=1
done
exit "$rc"
