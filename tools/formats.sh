#!/usr/bin/env bash
# Measures which of the supported extensions each build reads: writes a
# sample of every format the system's own tools can write, then runs each
# build's tolvex_formats on them and prints the answers side by side.
# Usage: formats.sh BUILD_DIR...   (Winelib and Windows build folders)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/.." && pwd)
samples=$(cd "$1" && pwd)/format-samples
rm -rf "$samples"; mkdir -p "$samples"
exts=$(grep -o 'X("[a-z0-9]*"' "$src/image/Extensions.cpp" | cut -d'"' -f2 | tr '\n' ' ')
convert -size 64x48 gradient:red-blue "$samples/source.png"
# Names that are another format's file: the library has no coder by them.
declare -A written_as=([bmp24]=BMP3 [tiff24]=TIFF)
for e in $exts; do
  fmt=${written_as[$e]:-$(echo "$e" | tr a-z A-Z)}
  convert "$samples/source.png" "$fmt:$samples/sample.$e" >/dev/null 2>&1 || rm -f "$samples/sample.$e"
done
rm -f "$samples/source.png"

columns=()
for build in "$@"; do
  b=$(cd "$build" && pwd)
  image=.exe
  [ -f "$b/tolvex.exe.so" ] && image=.exe.so
  out=$(mktemp)
  bash "$here/wine-env.sh" "$b" bash -c 'wine "$1" "$(winepath -w "$2")" </dev/null 2>/dev/null' _ \
    "$b/tolvex_formats$image" "$samples" >"$out"
  columns+=("$out")
done
printf '%-8s' ext; for build in "$@"; do printf ' | %-44s' "$(basename "$build")"; done; echo
for e in $exts total; do
  printf '%-8s' "$e"
  for c in "${columns[@]}"; do
    printf ' | %-44s' "$(awk -v e="$e" '$1 == e { $1 = ""; print substr($0, 2) }' "$c" | cut -c1-44)"
  done
  echo
done
rm -f "${columns[@]}"
