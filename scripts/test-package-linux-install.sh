#!/usr/bin/env bash
# Installs the Debian package for real and removes it again, as a station
# would. This changes the system, so it runs only as root and only where the
# caller says the system is there to be thrown away: TKT_THROWAWAY_SYSTEM=1
# (a CI container, a scratch VM). Otherwise, or where the package is already
# installed (the test would remove it), it says why and exits 77 (skipped).
#   1. apt-get install of the package made by scripts/test-package-linux.sh:
#      with udev running (where none runs, a stand-in: its control socket and
#      an udevadm that notes its calls) the rules are reloaded and the hidraw
#      and input devices triggered again;
#   2. the menu entry's command is on the PATH; its window opens on the X
#      display ($DISPLAY) with the files under /usr/share, a screenshot is
#      kept, and SIGTERM closes it with status 0;
#   3. apt-get remove does the same with udev; then, with no udev at all, an
#      install and a purge still succeed;
#   4. the user's settings and log under ~/.local/share/TavrinKeyboardTest
#      are still there, unchanged.
# Usage: scripts/test-package-linux-install.sh [build-dir]   (default: <repo>/build)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
work="$build/package-install-test"
skip() { echo "test-package-linux-install: SKIPPED: $*"; exit 77; }

[ "${TKT_THROWAWAY_SYSTEM:-0}" = 1 ] ||
    skip "installing the package changes this system; where the suite runs as root on a system that is" \
         "thrown away afterwards (a CI container), set TKT_THROWAWAY_SYSTEM=1 to let it"
[ "$(id -u)" = 0 ] || skip "installing needs root"
. "$build/packaging/package.env"
deb="$(ls "$build"/package-test/dist/*.deb 2>/dev/null || true)"
[ -f "$deb" ] || skip "no package in $build/package-test/dist: scripts/test-package-linux.sh makes it"
if dpkg-query -W -f='${Status}' "$command" 2>/dev/null | grep -q installed; then
    skip "$command is installed on this system already; the test would remove it"
fi
[ -n "${DISPLAY:-}" ] || { echo "test-package-linux-install: needs an X display (run it under xvfb-run)" >&2; exit 1; }

failures=()
fail() { echo "test-package-linux-install: FAIL: $*"; failures+=("$*"); }
pass() { echo "test-package-linux-install: PASS: $*"; }
rm -rf "$work"
mkdir -p "$work/bin" "$work/home"
home="$work/home"
calls="$work/udevadm-calls"

# A stand-in udev where none runs: the socket the maintainer scripts look
# for, and an udevadm first on their PATH that only notes its arguments.
standin=""
if [ ! -S /run/udev/control ]; then
    mkdir -p /run/udev
    perl -MIO::Socket::UNIX -e 'IO::Socket::UNIX->new(Local => "/run/udev/control", Listen => 1) or die "$!\n"'
    standin=/run/udev/control
    printf '#!/bin/sh\necho "$*" >>"%s"\n' "$calls" >"$work/bin/udevadm"
    chmod 755 "$work/bin/udevadm"
fi
cleanup() {
    [ -z "$standin" ] || rm -f "$standin"
    [ -z "${window:-}" ] || kill "$window" 2>/dev/null || true
    if dpkg-query -W -f='${Status}' "$command" 2>/dev/null | grep -q installed; then
        apt-get purge -y -qq "$command" >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT
# apt gives dpkg a PATH of its own (DPkg::Path): the stand-in goes first on it.
apt() {
    DEBIAN_FRONTEND=noninteractive apt-get -y -qq -o DPkg::Path="$work/bin:/usr/sbin:/usr/bin:/sbin:/bin" "$@" \
        >>"$work/apt.log" 2>&1
}
udev_calls() { # what the maintainer script asked of udev, on one line
    [ -z "$standin" ] && { echo "(the system's udev)"; return; }
    [ -f "$calls" ] && tr '\n' ';' <"$calls"
    : >"$calls"
}
wanted="control --reload-rules;trigger --action=change --subsystem-match=hidraw --subsystem-match=input;"

# 1. Install.
if apt install --no-install-recommends "$deb"; then
    pass "apt-get install $(basename "$deb")"
else
    tail -20 "$work/apt.log"
    exit 1
fi
got="$(udev_calls)"
[ -z "$standin" ] || [ "$got" = "$wanted" ] && pass "on install, udev: $got" || fail "on install, udev: $got"

# 2. The menu's command, its window and its files.
exec_line="$(sed -n 's/^Exec=//p' "/usr/share/applications/$app_id.desktop")"
[ "$(command -v "$exec_line")" = "/usr/bin/$command" ] && pass "the menu entry runs /usr/bin/$command" ||
    fail "the menu entry's Exec=$exec_line is not /usr/bin/$command"
mkdir -m 0700 "$work/runtime"
(cd / && exec env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u QT_QPA_PLATFORM HOME="$home" TMPDIR="$work" \
    XDG_RUNTIME_DIR="$work/runtime" "$exec_line") >"$work/window.log" 2>&1 &
window=$!
wid=""
for _ in $(seq 120); do
    wid="$(xdotool search --onlyvisible --name '^Tavrin Keyboard Test V' 2>/dev/null | head -1 || true)"
    [ -n "$wid" ] && break
    sleep 0.5
done
log="$home/.local/share/TavrinKeyboardTest/log/TavrinKeyboardTest.log"
if [ -z "$wid" ]; then
    fail "no window of the installed program within 60 s: $(tail -5 "$work/window.log")"
else
    sleep 2
    import -window root "$work/installed-window.png"
    pass "window \"$(xdotool getwindowname "$wid")\" (screenshot $work/installed-window.png)"
fi
if grep -qE 'File No Have|loadKeyboardInfo => fp == NULL' "$log" 2>/dev/null; then
    fail "the installed program did not find its layout or catalogue (see $log)"
fi
kill -TERM "$window"
status=0
wait "$window" || status=$?
window=""
[ "$status" = 0 ] && pass "SIGTERM closed the window, status 0" || fail "the window ended with status $status"
data="$home/.local/share/TavrinKeyboardTest"
(cd "$data" && find . -type f -exec md5sum {} + | sort) >"$work/data-before"
grep -q 'UserConfig/Config.ini' "$work/data-before" && pass "settings at $data/UserConfig/Config.ini" ||
    fail "no settings under $data: $(cat "$work/data-before")"

# 3. Remove; install and purge where no udev runs.
apt remove "$command" && [ ! -e "/usr/bin/$command" ] && pass "apt-get remove" || fail "apt-get remove"
got="$(udev_calls)"
[ -z "$standin" ] || [ "$got" = "$wanted" ] && pass "on removal, udev: $got" || fail "on removal, udev: $got"
if [ -n "$standin" ]; then
    rm -f "$standin"
    standin=""
    if apt install --no-install-recommends "$deb" && apt purge "$command"; then
        [ -s "$calls" ] && fail "without udev, udevadm was called: $(cat "$calls")" ||
            pass "without udev running, install and purge succeed and leave udev alone"
    else
        fail "without udev running, install or purge failed: $(tail -5 "$work/apt.log")"
    fi
else
    apt purge "$command" && pass "apt-get purge" || fail "apt-get purge"
fi

# 4. The user's data.
(cd "$data" && find . -type f -exec md5sum {} + | sort) >"$work/data-after"
cmp -s "$work/data-before" "$work/data-after" &&
    pass "after remove and purge $data holds its $(wc -l <"$work/data-after") files unchanged" ||
    fail "the user's data changed: $(diff "$work/data-before" "$work/data-after")"

if [ ${#failures[@]} -ne 0 ]; then
    echo "test-package-linux-install: ${#failures[@]} failed"
    exit 1
fi
echo "test-package-linux-install: all passed"
