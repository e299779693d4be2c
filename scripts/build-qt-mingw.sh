#!/usr/bin/env bash
# Cross-builds Qt 5.15 (qtbase: Core, Gui, Widgets, Concurrent, Test, Sql with
# its SQLite driver, the windows, offscreen and minimal platform plugins, the
# image-format plugins) for 64-bit Windows with Debian's mingw-w64 (POSIX
# thread model) from Debian's own qtbase and sqlite3 source packages, and
# installs it into PREFIX: the same toolkit as the prepared tarball
# qt5-mingw-w64-sql.tar.xz. Used by scripts/build-windows.sh when no prepared
# toolkit tarball is at hand.
# Usage: scripts/build-qt-mingw.sh WORKDIR PREFIX      (about 25 minutes on two cores)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
work="${1:?work folder}"
prefix="${2:?install folder}"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
case "$prefix" in /*) ;; *) prefix="$PWD/$prefix" ;; esac

[ -d "$work/qtbase-src" ] || "$repo/scripts/debian-source.sh" qtbase-opensource-src "$work/qtbase-src" 5.15.8

# Debian's source also leaves out the SQLite that Qt bundles: the SQLite driver
# gets the amalgamation made from Debian's own sqlite3 source, its patches
# applied (making it needs tclsh).
sqlite="$work/qtbase-src/src/3rdparty/sqlite"
if [ ! -f "$sqlite/sqlite3.c" ]; then
    [ -d "$work/sqlite-src" ] || "$repo/scripts/debian-source.sh" sqlite3 "$work/sqlite-src" 3.40.1
    (cd "$work/sqlite-src" && { [ -f Makefile ] || ./configure >configure.log 2>&1; } && make sqlite3.c >make.log 2>&1)
    mkdir -p "$sqlite"
    cp "$work/sqlite-src/sqlite3.c" "$work/sqlite-src/sqlite3.h" "$sqlite/"
fi

# Debian's source leaves out the Wintab header: no Wintab tablets in the
# windows platform plugin (pen input through the Windows pointer API stays).
win="$work/qtbase-src/src/plugins/platforms/windows"
sed -i 's/^qtConfig(tabletevent) {/false {/' "$win/windows.pri"
sed -i 's/#if QT_CONFIG(tabletevent)/#if 0 \/\/ no Wintab header/' "$win/qwindowscontext.cpp"

# Qt's win32-g++ make configuration calls ${CROSS_COMPILE}gcc/g++: the POSIX thread model
# ones, so that Qt and the program share one libstdc++.
mkdir -p "$work/bin"
for t in gcc g++; do ln -sf "/usr/bin/x86_64-w64-mingw32-$t-posix" "$work/bin/x86_64-w64-mingw32-$t"; done
export PATH="$work/bin:$PATH"

mkdir -p "$work/build"
cd "$work/build"
[ -f Makefile ] || ../qtbase-src/configure -xplatform win32-g++ \
    -device-option CROSS_COMPILE=x86_64-w64-mingw32- \
    -prefix "$prefix" -opensource -confirm-license -release -shared \
    -nomake examples -nomake tests -no-opengl -no-dbus -no-icu -no-openssl \
    -no-sql-odbc -no-sql-psql -no-sql-mysql -sql-sqlite -qt-sqlite \
    -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz \
    -no-feature-network -no-feature-xml \
    >configure.log 2>&1 || { tail -40 configure.log; exit 1; }
make -j"$(nproc)" >make.log 2>&1 || { tail -60 make.log; exit 1; }
make install >install.log 2>&1
x86_64-w64-mingw32-strip --strip-unneeded "$prefix"/bin/*.dll "$prefix"/plugins/*/*.dll 2>/dev/null || true
# The compiler's runtime DLLs, which the toolkit and the program need beside them.
cp /usr/lib/gcc/x86_64-w64-mingw32/*-posix/{libstdc++-6,libgcc_s_seh-1}.dll "$prefix/bin/"
cp /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$prefix/bin/"
echo "build-qt-mingw: Qt for Windows installed into $prefix"
