#!/usr/bin/env bash
# Cross-builds the whole program for 64-bit Windows with Debian's mingw-w64:
# the toolkit from the prepared tarball (or built from Debian's qtbase source
# when the tarball is missing), hidapi and cJSON from Debian's source packages,
# all cached under the build folder, then the program and its Windows tests.
# Usage: scripts/build-windows.sh [--if-toolkit] [build-dir]   (default: <repo>/build/windows)
#   --if-toolkit  only with a toolkit at hand (the tarball or one cached): ends
#                 at once, doing nothing, where Qt would have to be built first
# Exits 77 when the toolkit for Windows lacks a module that the program needs.
# Two runs on one build folder take turns (scripts/test.sh starts one early,
# beside the Linux build, and the Wine checks run it again).
# Environment: TKT_QT_MINGW_TARBALL  the toolkit tarball
#              (default: <repo>/../shared/toolchains/qt5-mingw-w64-sql.tar.xz)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
if_toolkit=0
if [ "${1:-}" = --if-toolkit ]; then
    if_toolkit=1
    shift
fi
build="${1:-$repo/build/windows}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"
deps="$build/deps"
tarball="${TKT_QT_MINGW_TARBALL:-$repo/../shared/toolchains/qt5-mingw-w64-sql.tar.xz}"
if [ "$if_toolkit" = 1 ] && [ ! -f "$tarball" ] && [ ! -f "$deps/qt.stamp" ]; then
    exit 0
fi
exec 9>"$build/.build-lock"
flock 9
toolchain="$repo/cmake/mingw-w64.cmake"
hidapi_version=0.13.1
cjson_version=1.7.15
mkdir -p "$deps"

for tool in x86_64-w64-mingw32-g++-posix dpkg-source cmake; do
    command -v "$tool" >/dev/null || { echo "build-windows: $tool is missing (scripts/deps.sh test)" >&2; exit 1; }
done

# The toolkit. A stamp per source keeps a cache made from another tarball from
# being taken for this one.
qt="$deps/qt5-mingw-w64"
if [ -f "$tarball" ]; then
    stamp="tarball $(stat -c '%s %Y' "$tarball")"
    if [ "$(cat "$deps/qt.stamp" 2>/dev/null)" != "$stamp" ]; then
        echo "build-windows: unpacking the toolkit from $tarball"
        rm -rf "$qt" "$deps/qt.stamp"
        tar -C "$deps" -xJf "$tarball"
        echo "$stamp" >"$deps/qt.stamp"
    fi
elif [ ! -f "$deps/qt.stamp" ]; then
    echo "build-windows: $tarball is missing: building Qt 5.15 for mingw-w64 from Debian's qtbase source" \
         "instead (about 25 minutes on two cores; cached in $deps)"
    "$repo/scripts/build-qt-mingw.sh" "$deps/qt-build" "$qt"
    echo "built from source with Qt SQL" >"$deps/qt.stamp"
fi

# hidapi and cJSON as DLLs without the "lib" prefix, as the package lists them.
build_library() { # name upstream-version stamp-file cmake-options...
    local name="$1" upstream="$2" prefix="$deps/$1"
    shift 2
    if [ "$(cat "$prefix.stamp" 2>/dev/null)" = "$upstream" ]; then
        return
    fi
    rm -rf "$prefix" "$prefix.stamp" "$deps/$name-build"
    "$repo/scripts/debian-source.sh" "$name" "$deps/$name-src" "$upstream"
    cmake -S "$deps/$name-src" -B "$deps/$name-build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
        -DCMAKE_SHARED_LIBRARY_PREFIX_C= -DCMAKE_IMPORT_LIBRARY_PREFIX_C= "$@" >/dev/null
    cmake --build "$deps/$name-build" -j"$(nproc)" >/dev/null
    cmake --install "$deps/$name-build" >/dev/null
    echo "$upstream" >"$prefix.stamp"
    echo "build-windows: $name $upstream built into $prefix"
}
build_library hidapi "$hidapi_version" -DHIDAPI_BUILD_HIDTEST=OFF
build_library cjson "$cjson_version" -DENABLE_CJSON_TEST=OFF -DENABLE_CJSON_UTILS=OFF \
    -DENABLE_TARGET_EXPORT=ON -DENABLE_CUSTOM_COMPILER_FLAGS=OFF

# The cross toolkit has no linguist tools: the host's lrelease compiles the
# catalogues, which are the same files on every system.
linguist_dir=$(dirname "$(find /usr/lib -path '*cmake/Qt5LinguistTools/Qt5LinguistToolsConfig.cmake' -print -quit)")
[ -d "$linguist_dir" ] || { echo "build-windows: the host's Qt5LinguistTools is missing (qttools5-dev)" >&2; exit 1; }

# pkg-config must see the Windows hidapi only, never the host's.
export PKG_CONFIG_LIBDIR="$deps/hidapi/lib/pkgconfig"
export PKG_CONFIG_PATH=

# The icon font is a file, not a Windows library: hand the host's copy over.
font=(); for f in /usr/share/fonts/truetype/font-awesome/fontawesome-webfont.ttf; do
    [ -f "$f" ] && font=(-DTKT_FONTAWESOME_TTF="$f")
done

# -O2 rather than Release's -O3: a good part quicker to build, and a tool that
# waits on keys and the keyboard's reports gains nothing from -O3.
cmake -S "$repo" -B "$build/program" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_PREFIX_PATH="$qt;$deps/hidapi;$deps/cjson" -DQt5LinguistTools_DIR="$linguist_dir" \
    -DTKT_BUILD_BENCH=OFF -DTKT_BUILD_TESTS="${TKT_WINDOWS_TESTS:-ON}" "${font[@]}" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$repo/scripts/wine-test.sh;$deps" >"$build/configure.log" 2>&1 || {
    # A toolkit module the program needs but the toolkit for Windows was built
    # without is a limit of the toolkit, not an error in the sources: say which.
    lacking=$(sed -n 's/.*provided by "\(Qt5[A-Za-z]*\)".*/\1/p' "$build/configure.log" | sort -u | tr '\n' ' ')
    if [ -n "$lacking" ]; then
        echo "build-windows: the toolkit for Windows in $qt lacks $lacking- the program cannot be" \
             "cross-built until the toolkit is rebuilt with it" >&2
        exit 77
    fi
    cat "$build/configure.log" >&2
    exit 1
}
cmake --build "$build/program" -j"$(nproc)"
echo "build-windows: $build/program/TavrinKeyboardTest.exe"
