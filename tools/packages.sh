#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Usage: packages.sh [windows]
# windows: also the MinGW-w64 toolchains and build tools of the Windows build,
# and the source entries its dependencies are fetched from (`apt-get source`).
set -eu
# With "lint", the tools of `make lint` as well.
pkgs="wine wine64 wine64-tools libwine-dev libmagick++-dev xvfb xauth cmake g++ make libgtest-dev imagemagick xdotool fp-utils"
[ "${1:-}" = lint ] && pkgs="$pkgs clang-tidy clang-format"
if [ "${1:-}" = windows ]; then
  # The posix variants: the win32 ones have no std::thread or std::mutex.
  pkgs="$pkgs googletest g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 nasm pkgconf autoconf automake libtool dpkg-dev zip"
fi
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
apt="$SUDO apt-get -o DPkg::Lock::Timeout=600"
updated=""

# The machine lists binary packages only; the source entries are the same
# entries with another type, in a file of this project's own name.
if [ "${1:-}" = windows ]; then
  binary=/etc/apt/sources.list.d/debian.sources
  ours=/etc/apt/sources.list.d/tolvex-sources.sources
  if [ -f "$binary" ] && [ ! -f "$ours" ]; then
    echo "Adding the source entries of $binary as $ours"
    sed 's/^Types:.*/Types: deb-src/' "$binary" | $SUDO tee "$ours" >/dev/null
    $apt update -q
    updated=1
  fi
fi

missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
[ -n "$updated" ] || $apt update -q
$apt install -y -q $missing
