#!/bin/sh
# Installs what building and testing DORVAK Admin needs on Debian 12, only
# what is missing; with sudo when not run as root. ser2net serves the
# simulator on the network for the tests of tcp:// and rfc2217:// lines.
set -e
packages="build-essential cmake qtbase5-dev libqt5serialport5-dev libqt5sql5-sqlite libqt5charts5-dev qttranslations5-l10n ser2net"
[ -n "$DORVAK_EXTRA_PACKAGES" ] && packages="$packages $DORVAK_EXTRA_PACKAGES"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
