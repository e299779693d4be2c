#!/usr/bin/env bash
# Lays the cross-built program out as a Windows user unpacks it and zips it:
#   TavrinKeyboardTest.exe, the toolkit's and the compiler's runtime DLLs,
#   platforms/qwindows.dll, imageformats/, styles/, sqldrivers/qsqlite.dll,
#   hidapi.dll, cjson.dll,
#   configDir/KeyInfo.config and translation/*.qm
# Every DLL the program or a plugin imports must be in the folder or be one
# of Windows's own, or the script fails: a missing DLL would only show on a
# Windows machine.
# Usage: scripts/package-windows.sh [build-dir] [zip]
#        (defaults: <repo>/build/windows, <repo>/dist/TavrinKeyboardTest-win64.zip)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build/windows}"
zip_path="${2:-$repo/dist/TavrinKeyboardTest-win64.zip}"
deps="$build/deps"
program="$build/program"
qt="$deps/qt5-mingw-w64"
objdump=x86_64-w64-mingw32-objdump

for f in "$program/TavrinKeyboardTest.exe" "$qt/bin/Qt5Core.dll" "$deps/hidapi/bin/hidapi.dll" \
         "$deps/cjson/bin/cjson.dll"; do
    [ -f "$f" ] || { echo "package-windows: $f is missing (run scripts/build-windows.sh first)" >&2; exit 1; }
done
command -v zip >/dev/null || { echo "package-windows: zip is missing (scripts/deps.sh test)" >&2; exit 1; }

stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
root="$stage/TavrinKeyboardTest"
mkdir -p "$root/platforms" "$root/imageformats" "$root/styles" "$root/sqldrivers" "$root/configDir" \
    "$root/translation"

cp "$program/TavrinKeyboardTest.exe" "$root/"
x86_64-w64-mingw32-strip "$root/TavrinKeyboardTest.exe"
cp "$deps/hidapi/bin/hidapi.dll" "$deps/cjson/bin/cjson.dll" "$root/"
cp "$qt/plugins/platforms/qwindows.dll" "$root/platforms/"
# gif for the production animation, ico for the window icon, jpeg for pictures.
cp "$qt/plugins/imageformats/"{qgif,qico,qjpeg}.dll "$root/imageformats/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$root/styles/"
# The station store (there is no PostgreSQL driver for Windows).
cp "$qt/plugins/sqldrivers/qsqlite.dll" "$root/sqldrivers/"
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
for ((i = 0; i < ${#pending[@]} && i < 500; i++)); do
    for dll in $(imports "${pending[$i]}"); do
        lower="$(echo "$dll" | tr '[:upper:]' '[:lower:]')"
        case "$seen" in *" $lower "*) continue ;; esac
        seen+="$lower "
        if [ -f "$root/$dll" ]; then
            continue
        elif [ -f "$qt/bin/$dll" ]; then
            cp "$qt/bin/$dll" "$root/"
            pending+=("$root/$dll")
        elif [[ " $system_libs " == *" lib${lower%.dll}.a "* ]]; then
            : # one of Windows's own: mingw has its import library
        else
            missing+=("$dll (needed by $(basename "${pending[$i]}"))")
        fi
    done
done
if [ ${#missing[@]} -gt 0 ]; then
    printf 'package-windows: not found: %s\n' "${missing[@]}" >&2
    exit 1
fi

mkdir -p "$(dirname "$zip_path")"
rm -f "$zip_path"
(cd "$stage" && zip -qr -9 "$zip_path" TavrinKeyboardTest)
echo "package-windows: $zip_path ($(du -k "$zip_path" | cut -f1) KiB)"
(cd "$stage" && find TavrinKeyboardTest -type f | sort)
