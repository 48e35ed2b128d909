#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -eu
pkgs="wine wine64 wine64-tools libwine-dev libmagick++-dev xvfb xauth cmake g++ make libgtest-dev imagemagick xdotool fp-utils"
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q $missing
