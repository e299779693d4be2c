#!/usr/bin/env bash
# Runs a test on an X server of its own. Tests that grab the keyboard, inject
# keys or type into a window must never share a display: ctest runs tests side
# by side, and a second grab or a key typed into the wrong window would fail a
# test that is right.
# The test gets a session bus of its own beside the display, as a desktop
# session has: Qt's accessibility bridge on X11 asks the session bus for the
# accessibility bus, and with no bus address libdbus would try to start one
# through dbus-launch, which is not there and leaves its read buffer behind.
# Usage: own-display.sh command [args...]
set -u
dir=$(mktemp -d "${TMPDIR:-/tmp}/tkt-display.XXXXXX")
# -displayfd: the server takes the first free display itself and writes its
# number, so two of these started at the same moment never pick the same one.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
server=$!
for _ in $(seq 200); do
    [ -s "$dir/display" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
done
if [ ! -s "$dir/display" ]; then
    echo "own-display: Xvfb did not start:" >&2
    cat "$dir/log" >&2
    kill "$server" 2>/dev/null
    rm -rf "$dir"
    exit 1
fi
export DISPLAY=":$(head -1 "$dir/display")"
if command -v dbus-run-session >/dev/null; then
    dbus-run-session -- "$@"
else
    "$@"
fi
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$dir"
exit "$status"
