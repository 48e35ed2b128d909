#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -eu
# With "lint", the tools of `make lint` as well.
pkgs="wine wine64 wine64-tools libwine-dev libmagick++-dev xvfb xauth cmake g++ make libgtest-dev imagemagick xdotool fp-utils"
[ "${1:-}" = lint ] && pkgs="$pkgs clang-tidy clang-format"
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -q
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -q $missing
