#!/usr/bin/env bash
# make lint: the include directions, the layout of every C++ file, then
# clang-tidy (.clang-tidy) over the program's sources, eight at a time, with
# the flags of the Winelib build (Wine's Windows headers over the host C
# library, as wineg++ builds it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/check-includes.sh
bash tools/check-format.sh
flags="-x c++ -std=c++17 -D__WINE__ -DNOMINMAX -I. -Ires -isystem /usr/include/wine/wine/windows
  $(pkg-config --cflags-only-I Magick++ | sed 's/-I/-isystem /g') $(pkg-config --cflags-only-other Magick++ | sed 's/-fopenmp//')"
export flags
git ls-files 'base/*.cpp' 'framework/*.cpp' 'controls/*.cpp' 'files/*.cpp' 'image/*.cpp' 'settings/*.cpp' \
  'convert/*.cpp' 'browser/*.cpp' 'shellint/*.cpp' 'mainwnd/*.cpp' 'startup/*.cpp' |
  xargs -P8 -n4 sh -c 'clang-tidy --quiet "$@" -- $flags' lint 2>&1 |
  { grep -v '^[0-9]* warnings\? generated\.$' || true; }
