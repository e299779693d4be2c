#!/usr/bin/env bash
# Makes the Debian package <out-dir>/tavrin-keyboard-test_<version>_<arch>.deb
# from a Linux build: what "cmake --install" lays out under /usr (the program
# as tavrin-keyboard-test, its layout and catalogues, the udev rule, the menu
# entry, icons, AppStream description and manual page), the program stripped,
# its copyright and changelog, and the maintainer scripts that make the udev
# rule take effect at once. The version is the build's (project() in
# CMakeLists.txt); the library dependencies are dpkg-shlibdeps's.
# Usage: scripts/package-linux.sh [build-dir] [out-dir]
#        (defaults: <repo>/build, <repo>/dist; builds what is missing)
# Environment: TKT_DEB_MAINTAINER  the package's Maintainer field
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build}"
out="${2:-$repo/dist}"

for tool in cmake dpkg-deb dpkg-shlibdeps strip gzip; do
    command -v "$tool" >/dev/null || { echo "package-linux: $tool is missing (scripts/deps.sh test)" >&2; exit 1; }
done
[ -f "$build/packaging/package.env" ] ||
    { echo "package-linux: $build is not a configured Linux build (cmake -S . -B $build)" >&2; exit 1; }
build="$(cd "$build" && pwd)"
# shellcheck source=/dev/null
. "$build/packaging/package.env"
maintainer="${TKT_DEB_MAINTAINER:-TavrinKeyboardTest developers <keyboard-test@tavrin.com>}"
arch="$(dpkg --print-architecture)"
font_copyright=/usr/share/doc/fonts-font-awesome/copyright

cmake --build "$build" --target TavrinKeyboardTest tkt_translations tkt_layout_file tkt_man_page >/dev/null

stage="$build/package-linux"
root="$stage/root"
rm -rf "$stage"
mkdir -p "$root" "$out"
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
program="$root/usr/bin/$command"
strip --remove-section=.comment --remove-section=.note --strip-unneeded "$program"

doc="$root/usr/share/doc/$command"
mkdir -p "$doc"
{
    cat "$repo/packaging/deb/copyright"
    # The font's licence, word for word as Debian ships it with the font.
    echo
    sed -n '/^License: OFL-1.1$/,/^$/p' "$font_copyright" | sed '/^$/d'
} >"$doc/copyright"
grep -q '^ PREAMBLE' "$doc/copyright" || { echo "package-linux: no OFL text in $font_copyright" >&2; exit 1; }
when="$(date -R -u -d "$release_date")"
printf '%s (%s) stable; urgency=medium\n\n  * TavrinKeyboardTest %s.\n\n -- %s  %s\n' \
    "$command" "$version" "$version" "$maintainer" "$when" | gzip -9n >"$doc/changelog.gz"

# Whatever the umask was when the files were made.
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$program"

# The libraries the program links, as the system's packages provide them.
# Qt's SQLite driver is a plugin that Qt loads by name, which no linker
# sees: the station store needs it.
mkdir -p "$stage/debian"
printf 'Source: %s\n\nPackage: %s\nArchitecture: any\n' "$command" "$command" >"$stage/debian/control"
shlibs="$(cd "$stage" && dpkg-shlibdeps -O "root/usr/bin/$command" 2>"$stage/shlibdeps.log")" ||
    { cat "$stage/shlibdeps.log" >&2; exit 1; }
depends="${shlibs#shlibs:Depends=}, libqt5sql5-sqlite"

mkdir -p "$root/DEBIAN"
install -m 0755 "$repo/packaging/deb/postinst" "$repo/packaging/deb/postrm" "$root/DEBIAN/"
(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/md5sums"
cat >"$root/DEBIAN/control" <<EOF
Package: $command
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Recommends: fonts-wqy-microhei | fonts-noto-cjk | fonts-droid-fallback
Suggests: libqt5sql5-psql
Section: utils
Priority: optional
Description: test USB keyboards at a production line or a service bench
 An operator plugs a keyboard in; the tool connects to it by itself, draws
 it on screen, lights every key pressed, counts the keys and talks to the
 keyboard's firmware over its vendor HID interface: identity, key matrix,
 light test, key check and factory reset. Each unit gets a verdict and a
 record in the station's store, which the command line sums up per day and
 platform or exports as CSV.
 .
 A udev rule gives the user at the local seat (or the group plugdev) access
 to the hidraw and input nodes of the keyboards it tests.
EOF
chmod 0644 "$root/DEBIAN/control"

deb="$out/${command}_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "package-linux: $deb ($(du -k "$deb" | cut -f1) KiB)"
