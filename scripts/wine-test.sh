#!/usr/bin/env bash
# Runs one cross-built test program under Wine; the Windows build's ctest uses
# it as its emulator. Wine does not pass the toolkit's test output through a
# pipe, so the program writes its log to a file that is printed afterwards.
# Usage: scripts/wine-test.sh DEPS-DIR PROGRAM.exe [ARGS...]
set -euo pipefail
deps="${1:?folder of the Windows libraries}"
program="${2:?program}"
shift 2
wine="$(command -v wine64 || command -v wine || true)"
[ -n "$wine" ] || { echo "wine-test: wine is not installed (scripts/deps.sh test)" >&2; exit 1; }

export WINEPREFIX="${WINEPREFIX:-$deps/../wineprefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPATH="$deps/qt5-mingw-w64/bin;$deps/hidapi/bin;$deps/cjson/bin"
export QT_PLUGIN_PATH="$deps/qt5-mingw-w64/plugins"

log="$(mktemp --suffix=.txt)"
trap 'rm -f "$log"' EXIT
set +e
"$wine" "$program" "$@" -o "$log,txt"
status=$?
set -e
cat "$log"
exit "$status"
