#!/bin/sh
# Installs the build into a throwaway prefix, then makes the Debian package
# and unpacks it into another one; both must hold the programs, the desktop
# entry and the icon, and the package must name its Qt libraries.
set -e
build="$1"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

files="bin/dorvak-admin bin/dorvak-sim share/applications/dorvak-admin.desktop share/icons/hicolor/64x64/apps/dorvak-admin.png"

cmake --install "$build" --prefix "$tmp/prefix" > "$tmp/install.log"
for f in $files; do
  [ -f "$tmp/prefix/$f" ] || { echo "install: missing $f"; exit 1; }
done
"$tmp/prefix/bin/dorvak-sim" --help > /dev/null
grep -q '^Exec=dorvak-admin' "$tmp/prefix/share/applications/dorvak-admin.desktop"

(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" > "$tmp/cpack.log")
deb="$(ls "$tmp"/*.deb)"
dpkg-deb -x "$deb" "$tmp/root"
for f in $files; do
  [ -f "$tmp/root/usr/$f" ] || { echo "package: missing usr/$f"; exit 1; }
done
dpkg-deb -f "$deb" Package | grep -qx dorvak-admin
dpkg-deb -f "$deb" Depends | grep -q 'serialport' || { echo "package: no Qt serial port dependency"; exit 1; }
echo "install and package: 2 passed, 0 failed"
