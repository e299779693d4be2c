#!/usr/bin/env bash
# Installs what is missing, builds the tool and starts it.
# Without a display it starts on a virtual one and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target TavrinKeyboardTest

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec ./build/TavrinKeyboardTest
fi

mkdir -p shots
shot="$PWD/shots/TavrinKeyboardTest.png"
display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$display" ./build/TavrinKeyboardTest &
app_pid=$!
sleep 4
DISPLAY="$display" import -window root "$shot"
echo "No display here: the tool runs on the virtual display $display (pid $app_pid)."
echo "Screenshot: $shot"
echo "Press Ctrl+C to stop it."
wait "$app_pid"
