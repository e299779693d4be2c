#!/usr/bin/env bash
# Lays the cross-built program out as it is installed on Windows:
#   TavrinKeyboardTest.exe, the toolkit's and the compiler's runtime DLLs,
#   platforms/qwindows.dll, imageformats/, styles/, sqldrivers/qsqlite.dll and
#   qsqlpsql.dll with libpq.dll, libssl-3-x64.dll and libcrypto-3-x64.dll,
#   hidapi.dll, cjson.dll, configDir/KeyInfo.config and translation/*.qm
# and ships it twice: as the installer
#   TavrinKeyboardTest-<version>-win64-setup.exe (NSIS, scripts/windows-installer.nsi)
# and as a zip for those who unpack it by hand, TavrinKeyboardTest-win64.zip.
# The version is the build's own (version.txt, from project() in CMakeLists.txt).
# Every DLL the program or a plugin imports must be in the folder or be one
# of Windows's own, or the script fails: a missing DLL would only show on a
# Windows machine.
# Usage: scripts/package-windows.sh [build-dir] [out-dir]
#        (defaults: <repo>/build/windows, <repo>/dist)
# The laid-out folder and the installer's file list stay in <build-dir>/package.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build/windows}" && pwd)"
out="${2:-$repo/dist}"
deps="$build/deps"
program="$build/program"
qt="$deps/qt5-mingw-w64"
objdump=x86_64-w64-mingw32-objdump

for f in "$program/TavrinKeyboardTest.exe" "$qt/bin/Qt5Core.dll" "$deps/hidapi/bin/hidapi.dll" \
         "$deps/cjson/bin/cjson.dll"; do
    [ -f "$f" ] || { echo "package-windows: $f is missing (run scripts/build-windows.sh first)" >&2; exit 1; }
done
[ -f "$qt/plugins/sqldrivers/qsqlpsql.dll" ] || {
    echo "package-windows: the toolkit in $qt has no PostgreSQL driver (plugins/sqldrivers/qsqlpsql.dll): stations" \
         "could not reach the line store; use ../shared/toolchains/qt5-mingw-w64-sql.tar.xz as made by" \
         "build-pq-mingw.sh" >&2
    exit 1
}
for tool in zip makensis; do
    command -v "$tool" >/dev/null || { echo "package-windows: $tool is missing (scripts/deps.sh test)" >&2; exit 1; }
done
version="$(cat "$program/version.txt")"

stage="$build/package"
root="$stage/TavrinKeyboardTest"
rm -rf "$stage"
mkdir -p "$root/platforms" "$root/imageformats" "$root/styles" "$root/sqldrivers" "$root/configDir" \
    "$root/translation"

cp "$program/TavrinKeyboardTest.exe" "$root/"
# Stamped with the link's time rather than now, so the same build packs the same.
SOURCE_DATE_EPOCH="$(stat -c %Y "$program/TavrinKeyboardTest.exe")" \
    x86_64-w64-mingw32-strip "$root/TavrinKeyboardTest.exe"
cp "$deps/hidapi/bin/hidapi.dll" "$deps/cjson/bin/cjson.dll" "$root/"
cp "$qt/plugins/platforms/qwindows.dll" "$root/platforms/"
# gif for the production animation, ico for the window icon, jpeg for pictures.
cp "$qt/plugins/imageformats/"{qgif,qico,qjpeg}.dll "$root/imageformats/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$root/styles/"
# The station store and the line store. The PostgreSQL driver brings libpq and
# OpenSSL beside the program through the import check below.
cp "$qt/plugins/sqldrivers/"{qsqlite,qsqlpsql}.dll "$root/sqldrivers/"
cp "$program/configDir/KeyInfo.config" "$root/configDir/"
cp "$program/translation/"*.qm "$root/translation/"

# The toolkit's and runtime DLLs: whatever the program and plugins import,
# followed through the DLLs they bring, from the toolkit's bin folder.
imports() { "$objdump" -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
pending=("$root/TavrinKeyboardTest.exe" "$root"/*.dll "$root"/*/*.dll)
seen=" "
# Windows's own DLLs are those mingw has an import library for.
system_libs="$(ls /usr/x86_64-w64-mingw32/lib | tr '[:upper:]' '[:lower:]' | tr '\n' ' ')"
missing=()
# Windows finds a DLL whatever the case of its name (the driver imports LIBPQ.dll).
file_named() { find "$1" -maxdepth 1 -type f -iname "$2" -print -quit; }
for ((i = 0; i < ${#pending[@]} && i < 500; i++)); do
    for dll in $(imports "${pending[$i]}"); do
        lower="$(echo "$dll" | tr '[:upper:]' '[:lower:]')"
        case "$seen" in *" $lower "*) continue ;; esac
        seen+="$lower "
        toolkit="$(file_named "$qt/bin" "$dll")"
        if [ -n "$(file_named "$root" "$dll")" ]; then
            continue
        elif [ -n "$toolkit" ]; then
            cp "$toolkit" "$root/"
            pending+=("$root/$(basename "$toolkit")")
        elif [[ " $system_libs " == *" lib${lower%.dll}.a "* ]]; then
            : # one of Windows's own: mingw has its import library
        else
            missing+=("$dll (needed by $(basename "${pending[$i]}"))")
        fi
    done
done
# Without OpenSSL beside it, libpq could not encrypt: a station told to insist
# on TLS could never send, one that only prefers it would send in the clear.
for dll in libpq.dll libssl-3-x64.dll libcrypto-3-x64.dll; do
    [ -f "$root/$dll" ] || missing+=("$dll (the line store's client library and its TLS)")
done
if [ ${#missing[@]} -gt 0 ]; then
    printf 'package-windows: not found: %s\n' "${missing[@]}" >&2
    exit 1
fi

mkdir -p "$out"
out="$(cd "$out" && pwd)"
zip_path="$out/TavrinKeyboardTest-win64.zip"
rm -f "$zip_path"
(cd "$stage" && zip -qr -9 "$zip_path" TavrinKeyboardTest)
echo "package-windows: $zip_path ($(du -k "$zip_path" | cut -f1) KiB)"

# The installer copies exactly these files and its uninstaller removes exactly
# these, folders last, so a folder given with /D keeps whatever else it holds.
winpath() { local p="${1#.}"; echo "\$INSTDIR${p//\//\\}"; }
(
    cd "$root"
    echo '!macro InstallFiles'
    find . -type d | sort | while read -r dir; do
        echo "    SetOutPath \"$(winpath "$dir")\""
        find "$dir" -maxdepth 1 -type f | sort | while read -r f; do echo "    File \"$root/${f#./}\""; done
    done
    echo '!macroend'
    echo '!macro UninstallFiles'
    find . -type f | sort | while read -r f; do echo "    Delete \"$(winpath "$f")\""; done
    find . -mindepth 1 -type d | sort -r | while read -r dir; do echo "    RMDir \"$(winpath "$dir")\""; done
    echo '!macroend'
) >"$stage/installer-files.nsh"
setup="$out/TavrinKeyboardTest-$version-win64-setup.exe"
# Its compression takes most of a minute: an installer made from the same
# files, script and version is kept.
inputs="$( (cd "$root" && find . -type f | sort | xargs md5sum) | cat - "$repo/scripts/windows-installer.nsi" \
    "$repo/images/app.ico" | md5sum) $version"
if [ ! -f "$setup" ] || [ "$(cat "$setup.inputs" 2>/dev/null)" != "$inputs" ]; then
    rm -f "$setup.inputs"
    makensis -V2 -DVERSION="$version" -DFILES="$stage/installer-files.nsh" -DOUTFILE="$setup" \
        "$repo/scripts/windows-installer.nsi" >"$stage/makensis.log" || { cat "$stage/makensis.log" >&2; exit 1; }
    echo "$inputs" >"$setup.inputs"
fi
echo "package-windows: $setup ($(du -k "$setup" | cut -f1) KiB)"
(cd "$stage" && find TavrinKeyboardTest -type f | sort)
