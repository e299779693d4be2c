#!/usr/bin/env bash
# Fetches Debian's source package PACKAGE with apt-get source and unpacks it,
# Debian's patches applied, into DEST; with UPSTREAM given, refuses any other
# upstream version (Debian's own security revisions of it are taken).
# apt-get source needs deb-src entries beside the deb ones; this script keeps
# them in a private apt state under DEST's parent, made from the system's deb
# entries, so neither root nor a change to the system's apt set-up is needed.
# Usage: scripts/debian-source.sh PACKAGE DEST [UPSTREAM]
set -euo pipefail
pkg="${1:?package}"
dest="${2:?destination folder}"
upstream="${3:-}"
mkdir -p "$(dirname "$dest")"
state="$(cd "$(dirname "$dest")" && pwd)/apt-src"

mkdir -p "$state/sources.list.d" "$state/lists/partial" "$state/archives/partial" "$state/download"
apt_opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$state/sources.list.d"
          -o "Dir::State=$state" -o "Dir::State::Lists=$state/lists" -o "Dir::Cache=$state"
          -o "Dir::Cache::Archives=$state/archives" -o "APT::Sandbox::User=root")
if [ ! -s "$state/sources.list.d/deb-src.sources" ]; then
    found=0
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        grep -q '^Types:.*\bdeb\b' "$f" || continue
        sed 's/^Types: .*/Types: deb-src/' "$f" >>"$state/sources.list.d/deb-src.sources"
        echo >>"$state/sources.list.d/deb-src.sources"
        found=1
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$state/sources.list.d/deb-src.list"
        [ -s "$state/sources.list.d/deb-src.list" ] && found=1
    fi
    [ "$found" = 1 ] || { echo "debian-source: no deb entries found in /etc/apt" >&2; exit 1; }
    apt-get "${apt_opts[@]}" update -qq
fi

rm -rf "$state/download"/* "$dest"
(cd "$state/download" && apt-get "${apt_opts[@]}" source --download-only -qq "$pkg" >/dev/null)
dsc=$(ls "$state/download"/*.dsc)
got=$(sed -n 's/^Version: //p' "$dsc")
[ -z "$upstream" ] || case "$got" in
    "$upstream"-* | "$upstream"+* | "$upstream") ;;
    *) echo "debian-source: $pkg $got is not upstream version $upstream" >&2; exit 1 ;;
esac
(cd "$state/download" && dpkg-source --no-check -x "$dsc" "$dest" >/dev/null)
echo "debian-source: $(basename "$dsc") unpacked into $dest"
