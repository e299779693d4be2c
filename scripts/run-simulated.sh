#!/usr/bin/env bash
# Builds the tool and the simulated keyboard, then starts the tool with the
# simulator preloaded over the system's hidapi, so it finds, identifies and
# talks to a keyboard without hardware (Linux only).
#
#   TKT_SIM_KEYBOARDS="0416:b23c,0416:7372"  keyboards to plug in (default: one NUC121)
#   TKT_SIM_LIVE_MS=1500                     key-state report period while connected
#   TKT_SIM_MAGNETIC_VERDICT=2               the magnetic check ends failed (default 0: passed)
#   TKT_SIM_CONTROL=<fifo>                   plug and unplug while it runs (default: <build>/sim-control)
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
# Lines written to this FIFO plug simulated keyboards in and out; the tool's
# udev monitor sees them as it would see real plugging.
export TKT_SIM_CONTROL="${TKT_SIM_CONTROL:-$PWD/$build/sim-control}"
if [ ! -p "$TKT_SIM_CONTROL" ]; then
    rm -f "$TKT_SIM_CONTROL"
    mkfifo -m 600 "$TKT_SIM_CONTROL"
fi
echo "plug and unplug from another terminal, for example:"
echo "    echo unplug 0416:b23c > $TKT_SIM_CONTROL"
echo "    echo plug 0416:b23c > $TKT_SIM_CONTROL      (also: replug vvvv:pppp)"
run=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "no display: running on a virtual one"
    run=(xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp")
fi
exec "${run[@]}" env LD_PRELOAD="$sim${LD_PRELOAD:+:$LD_PRELOAD}" "./$build/TavrinKeyboardTest" "$@"
