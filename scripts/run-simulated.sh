#!/usr/bin/env bash
# Builds the tool and the simulated keyboard, then starts the tool with the
# simulator preloaded over the system's hidapi, so it finds, identifies and
# talks to a keyboard without hardware (Linux only).
#
#   TKT_SIM_KEYBOARDS="0416:b23c,0416:7372"  keyboards to plug in (default: one NUC121)
#   TKT_SIM_LIVE_MS=1500                     key-state report period while connected
#
#   TKT_BUILD_DIR=build                      build directory
#
# Extra arguments are passed to the tool.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
build="${TKT_BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target TavrinKeyboardTest tkt_simhidapi

sim="$PWD/$build/simkeyboard/libtkt_simhidapi.so"
[ -f "$sim" ] || { echo "simulated keyboard library missing: $sim" >&2; exit 1; }
export TKT_SIM_KEYBOARDS="${TKT_SIM_KEYBOARDS:-0416:b23c}"
echo "simulated keyboards: $TKT_SIM_KEYBOARDS"
run=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "no display: running on a virtual one"
    run=(xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp")
fi
exec "${run[@]}" env LD_PRELOAD="$sim${LD_PRELOAD:+:$LD_PRELOAD}" "./$build/TavrinKeyboardTest" "$@"
