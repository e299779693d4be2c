#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh Wine prefix, on the X display it
# is given ($DISPLAY; scripts/test.sh provides one through xvfb-run):
#   1. an older version of the installer (0.0.1, with one file of its own)
#      installs silently: files, Start-menu shortcut and uninstall entry;
#   2. the installed program shows its window, and while it runs the new
#      installer is refused with a non-zero exit;
#   3. the new installer upgrades it: the older version's files are replaced
#      or gone, a settings file and a records store made before are kept;
#   4. the entry's quiet uninstall, as a roll-out tool runs it, removes the
#      program, shortcut and entry and keeps the user's data.
# Uses the installer and file list that scripts/package-windows.sh left in the
# build folder (ctest runs tst_windowsProgram first); exits 77 without them.
# Usage: scripts/test-windows-installer.sh [build-dir]   (default: <repo>/build/windows)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build/windows}"
setup="$(ls "$build"/dist/TavrinKeyboardTest-*-win64-setup.exe 2>/dev/null | head -1 || true)"
files="$build/package/installer-files.nsh"
if [ -z "$setup" ] || [ ! -f "$files" ]; then
    echo "test-windows-installer: SKIPPED: no installer in $build/dist: scripts/test-windows.sh (tst_windowsProgram)" \
         "makes it, and was skipped or failed"
    exit 77
fi
[ -n "${DISPLAY:-}" ] || { echo "test-windows-installer: needs an X display (run it under xvfb-run)" >&2; exit 1; }
started=$SECONDS

export WINEPREFIX="$build/wineprefix-installer" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH QT_PLUGIN_PATH QT_QPA_PLATFORM
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true

failures=()
check() { # description command...
    if "${@:2}"; then echo "test-windows-installer: PASS: $1"; else
        echo "test-windows-installer: FAIL: $1"; failures+=("$1"); fi
}

# The older version: the same program with a file the new one no longer has.
old="$build/package/old-setup.exe"
sed -e 's|^!macro InstallFiles$|&\n    SetOutPath "$INSTDIR"\n    File /oname=old-only.txt "'"$files"'"|' \
    -e 's|^!macro UninstallFiles$|&\n    Delete "$INSTDIR\\old-only.txt"|' "$files" >"$build/package/old-files.nsh"
makensis -V1 -DCOMPRESSOR=zlib -DVERSION=0.0.1 -DFILES="$build/package/old-files.nsh" -DOUTFILE="$old" \
    "$repo/scripts/windows-installer.nsi"

drive="$WINEPREFIX/drive_c"
dir="$drive/Program Files/TavrinKeyboardTest"
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Tavrin Keyboard Test.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TavrinKeyboardTest'
entry() { wine reg query "$key" /v "$1" 2>/dev/null | sed -n 's/.*REG_[A-Z]* *//p' | tr -d '\r'; }
has_entry() {
    for v in DisplayName Publisher DisplayIcon InstallLocation EstimatedSize; do [ -n "$(entry $v)" ] || return 1; done
}
data="$(find "$drive/users" -mindepth 1 -maxdepth 1 -type d ! -name Public -print -quit)"
data="$data/AppData/Local/TavrinKeyboardTest"
user_data() { (cd "$data" && md5sum UserConfig/Config.ini UserConfig/results.sqlite); }

# 1. Silent install of the older version.
check "older version installed silently" wine "$old" /S
check "its files (both stores' drivers, libpq and OpenSSL among them), shortcut and uninstall entry are there" eval \
    '[ -f "$dir/TavrinKeyboardTest.exe" ] && [ -f "$dir/sqldrivers/qsqlite.dll" ] && [ -f "$dir/old-only.txt" ] &&
     [ -f "$dir/sqldrivers/qsqlpsql.dll" ] && [ -f "$dir/libpq.dll" ] && [ -f "$dir/libssl-3-x64.dll" ] &&
     [ -f "$dir/libcrypto-3-x64.dll" ] && [ -f "$shortcut" ] && has_entry && [ "$(entry DisplayVersion)" = 0.0.1 ]'

# 2. The installed program runs; the new installer must not replace it meanwhile.
wine "$dir/TavrinKeyboardTest.exe" >/dev/null 2>&1 &
program=$!
window_shown() { xdotool search --onlyvisible --name '^Tavrin Keyboard Test V' >/dev/null; }
for ((i = 0; i < 240; i++)); do window_shown && break; sleep 0.5; done
check "the installed program shows its window" window_shown
set +e
wine "$setup" /S
refused=$?
set -e
check "installing while it runs refused with a non-zero exit ($refused)" eval \
    '[ "$refused" -ne 0 ] && [ "$(entry DisplayVersion)" = 0.0.1 ] && [ -f "$dir/old-only.txt" ]'
kill "$program"
wait "$program" 2>/dev/null || true

# 3. Upgrade over data made before: the program's settings and a records store.
printf 'records made before\n' >"$data/UserConfig/results.sqlite"
before="$(user_data)"
printf 'an older layout\n' >"$dir/configDir/KeyInfo.config"
check "the new version installed silently over it" wine "$setup" /S
check "upgraded: new version's entry and files, the older one's own file gone" eval \
    '[ "$(entry DisplayVersion)" = "$(cat "$build/program/version.txt")" ] && [ ! -e "$dir/old-only.txt" ] &&
     cmp -s "$dir/configDir/KeyInfo.config" "$build/package/TavrinKeyboardTest/configDir/KeyInfo.config"'
check "the settings file and the records store kept" eval '[ "$(user_data)" = "$before" ]'

# 4. Silent uninstall as the entry says, through cmd as a roll-out tool runs it.
printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$(entry QuietUninstallString)" >"$drive/quiet-uninstall.bat"
check "the entry's quiet uninstall ends with 0" wine cmd /c 'C:\quiet-uninstall.bat'
timeout 120 wineserver -w || true
check "program, shortcut and entry removed" eval '[ ! -e "$dir" ] && [ ! -e "$shortcut" ] && ! has_entry'
check "the user's data kept" eval '[ "$(user_data)" = "$before" ]'

echo "test-windows-installer: done in $((SECONDS - started)) s"
[ ${#failures[@]} -eq 0 ] || { printf 'test-windows-installer: failed: %s\n' "${failures[@]}"; exit 1; }
