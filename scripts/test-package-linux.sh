#!/usr/bin/env bash
# The Debian package as a station gets it, without installing it:
#   1. makes it (scripts/package-linux.sh) and checks with dpkg-deb what it
#      holds, its version and that its dependencies came from dpkg-shlibdeps;
#   2. lintian reports no error and no warning; desktop-file-validate and
#      appstreamcli pass;
#   3. runs the unpacked program with no display on an empty home: each line
#      of the table below ends with its exit code and prints its line, and
#      the home stays empty; every option --help lists is in the manual page;
#   4. starts the unpacked program's window (offscreen): it finds its layout
#      and catalogues in the data folder under share/ and keeps its log in
#      ~/.local/share/TavrinKeyboardTest, though its file is tavrin-keyboard-test.
# Leaves the package in <build-dir>/package-test/dist for the install test.
# Usage: scripts/test-package-linux.sh [build-dir]   (default: <repo>/build)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
work="$build/package-test"
rm -rf "$work"
mkdir -p "$work"
for tool in lintian desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "test-package-linux: $tool is missing (scripts/deps.sh test)" >&2; exit 1; }
done

failures=()
fail() { echo "test-package-linux: FAIL: $*"; failures+=("$*"); }
pass() { echo "test-package-linux: PASS: $*"; }

# 1. The package and what it holds.
"$repo/scripts/package-linux.sh" "$build" "$work/dist"
. "$build/packaging/package.env"
deb="$(ls "$work"/dist/*.deb)"
[ "$(basename "$deb")" = "${command}_${version}_$(dpkg --print-architecture).deb" ] &&
    pass "named $(basename "$deb")" || fail "named $(basename "$deb")"
contents="$(dpkg-deb -c "$deb" | awk '{ print $1 " " $6 }')"
for entry in "-rwxr-xr-x ./usr/bin/$command" \
             "-rw-r--r-- ./usr/share/$command/configDir/KeyInfo.config" \
             "-rw-r--r-- ./usr/share/$command/translation/English.qm" \
             "-rw-r--r-- ./usr/share/$command/translation/Zh_SM.qm" \
             "-rw-r--r-- ./usr/lib/udev/rules.d/70-tavrin-keyboard-test.rules" \
             "-rw-r--r-- ./usr/share/applications/$app_id.desktop" \
             "-rw-r--r-- ./usr/share/metainfo/$app_id.metainfo.xml" \
             "-rw-r--r-- ./usr/share/man/man1/$command.1.gz" \
             "-rw-r--r-- ./usr/share/doc/$command/copyright"; do
    grep -qxF -- "$entry" <<<"$contents" || fail "the package lacks $entry"
done
sizes="$(grep -o "hicolor/[0-9]*x[0-9]*/apps/$command.png" <<<"$contents" | cut -d/ -f2 | sort -n | tr '\n' ' ')"
[ "$sizes" = "16x16 24x24 32x32 48x48 64x64 128x128 256x256 " ] && pass "icons $sizes" || fail "icons: $sizes"
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libqt5core5a libqt5widgets5 libhidapi-hidraw0 libcjson1 libudev1 libqt5sql5-sqlite; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] && pass "version $version, depends on $depends" ||
    fail "version $(dpkg-deb -f "$deb" Version), not $version"

# 2. What Debian's and the desktop's checkers say.
lintian --pedantic "$deb" >"$work/lintian.txt" 2>&1 || true
if grep -E '^[EW]: ' "$work/lintian.txt"; then
    fail "lintian reports errors or warnings"
else
    pass "lintian: no error or warning"
fi
tree="$work/tree"
dpkg-deb -x "$deb" "$tree"
desktop-file-validate "$tree/usr/share/applications/$app_id.desktop" && pass "desktop-file-validate" ||
    fail "desktop-file-validate"
appstreamcli validate-tree --no-net "$tree" >"$work/appstream.txt" 2>&1 && pass "appstreamcli validate-tree" ||
    { cat "$work/appstream.txt"; fail "appstreamcli validate-tree"; }

# 3. The unpacked program on an empty home, without a display.
home="$work/home"
mkdir -p "$home"
program="$tree/usr/bin/$command"
quiet() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_DATA_HOME -u XDG_CONFIG_HOME \
    HOME="$home" TMPDIR="$work" timeout 30 "$program" "$@"; }
# exit code | a line it prints (standard output or error) | arguments
while IFS='|' read -r code expected args; do
    set +e
    output="$(quiet $args 2>&1)"
    status=$?
    set -e
    if [ "$status" = "$code" ] && grep -qxF -- "$expected" <<<"$output"; then
        pass "$command $args: $code, \"$expected\""
    else
        fail "$command $args: exit $status, printed: $output"
    fi
done <<EOF
0|Usage: $command [MODE [OPTIONS]]|--help
0|TavrinKeyboardTest $version|--version
3|no results store at $home/.local/share/TavrinKeyboardTest/UserConfig/results.sqlite|--results-summary
2|$command: Unknown option 'window'.|--window
EOF
[ -z "$(ls -A "$home")" ] && pass "the home stays empty" || fail "the modes wrote into the home: $(ls -A "$home")"
manual="$(zcat "$tree/usr/share/man/man1/$command.1.gz" | sed 's/\\-/-/g')"
for option in $(quiet --help | grep -oE '^  (-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+'); do
    grep -qF -- "$option" <<<"$manual" || fail "the manual page does not mention $option"
done

# 4. Its window, offscreen: the files under share/ and the data folder's name.
mkdir -m 0700 "$work/runtime"
# No X display: its key capture must not grab the keyboard of whoever runs this.
env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" TMPDIR="$work" \
    XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen "$program" >"$work/window.log" 2>&1 &
window=$!
log="$home/.local/share/TavrinKeyboardTest/log/TavrinKeyboardTest.log"
for _ in $(seq 100); do
    grep -qE 'Key capture|Hook open' "$log" 2>/dev/null && break
    sleep 0.2
done
kill -TERM "$window" 2>/dev/null || true
wait "$window" || fail "the window ended with status $? on SIGTERM"
if [ ! -f "$log" ]; then
    fail "no log at $log: $(cat "$work/window.log")"
elif grep -qE 'File No Have|loadKeyboardInfo => fp == NULL' "$log" || ! grep -qE 'Key capture|Hook open' "$log"; then
    fail "the window did not find its layout or catalogue under $tree/usr/share/$command (see $log)"
else
    pass "the window found its layout and catalogue under share/ and logged to $log"
fi

if [ ${#failures[@]} -ne 0 ]; then
    echo "test-package-linux: ${#failures[@]} failed"
    exit 1
fi
echo "test-package-linux: all passed ($(du -k "$deb" | cut -f1) KiB)"
