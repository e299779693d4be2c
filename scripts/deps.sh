#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages that building, running and testing need.
# Usage: scripts/deps.sh [run|test|fuzz]   (default: run)
set -euo pipefail

what="${1:-run}"

pkgs=(build-essential cmake pkg-config ccache qtbase5-dev qttools5-dev qttools5-dev-tools
      libhidapi-dev libcjson-dev libudev-dev libevdev-dev libx11-dev libxtst-dev libqt5sql5-sqlite libqt5sql5-psql
      fonts-font-awesome fonts-wqy-microhei
      xvfb xauth x11-utils x11-xserver-utils imagemagick)
case "$what" in
    run) ;;
    test) pkgs+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64 wine wine64 postgresql
                 dpkg-dev zip unzip xdotool nsis)
          # Certificates for the line store's TLS tests, made at test time.
          pkgs+=(openssl)
          # A session bus for each test on an X server of its own (tests/support/own-display.sh).
          pkgs+=(dbus-daemon)
          # Building Qt for Windows from source (scripts/build-qt-mingw.sh): the SQLite amalgamation.
          pkgs+=(tcl)
          # The results report read back as text and pictures (tests/tst_resultsReport.cpp).
          pkgs+=(poppler-utils)
          # The end-to-end test in a virtual machine (tests/vm).
          pkgs+=(qemu-system-x86 busybox-static udev)
          # Checking the Debian package (scripts/test-package-linux.sh).
          pkgs+=(lintian desktop-file-utils appstream)
          # The Windows check puts units into the station store's queue by hand.
          pkgs+=(sqlite3) ;;
    fuzz) pkgs+=(clang-14 libfuzzer-14-dev libclang-rt-14-dev) ;;
    *) echo "usage: $0 [run|test|fuzz]" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    SUDO=sudo
fi
echo "installing: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
