#!/usr/bin/env bash
# Runs the quiet conversion (`tolvex.exe /q`) of the Winelib build and of the
# Windows build on the same pictures and checks that every output has the
# same size in both and a PSNR of at least 45 dB between them.
# Usage: compare-builds.sh WINELIB_BUILD WINDOWS_BUILD
set -eu
here=$(cd "$(dirname "$0")" && pwd)
winelib=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
work=$windows/compare
min_psnr=45
regkey='HKCU\SOFTWARE\Kestrelworks\Tolvex'
rm -rf "$work"; mkdir -p "$work/inputs"

# Pictures of the kinds people convert: a photo, a picture with alpha, a
# TIFF, a BMP, a two-frame GIF and a grey PGM, made by the system's tools.
in=$work/inputs
convert -size 160x120 -seed 7 plasma:fractal -resize 640x480! -attenuate 0.3 +noise Gaussian -quality 90 "$in/photo.jpg"
convert -size 300x200 gradient:red-blue \( -size 300x200 gradient:white-none \) -compose CopyOpacity -composite "$in/alpha.png"
convert -size 320x240 -seed 3 plasma:fractal -compress lzw "$in/scene.tif"
convert -size 200x260 radial-gradient:yellow-green BMP3:"$in/radial.bmp"
convert -size 90x60 xc:orange \( -size 90x60 xc:navy \) -loop 0 "$in/frames.gif"
convert -size 128x96 gradient:black-white "$in/grey.pgm"

# A resize with a border, colour changes and a rotation: every step of the
# quiet road.
printf '[Resize]\r\nEnableResize=1\r\nEnableWidth=1\r\nWidth=240\r\nEnableHeight=1\r\nHeight=180\r\nDoNothing=1\r\nDoCrop=0\r\nDoStretch=0\r\n[Border]\r\nEnableBorder=1\r\nWidth=6\r\nColorR=40\r\nColorG=80\r\nColorB=160\r\n3d=1\r\n[Image]\r\nHue=120\r\nSaturation=80\r\nLightness=110\r\n[Rotate]\r\nRotate=1\r\n[File Names]\r\nPrefix=q_\r\nName=0\r\nSuffix=\r\n' >"$work/quiet.tvx"

# One build's outputs, in a folder of its own, run in that build's prefix.
convert_with() # BUILD_DIR PROGRAM OUT_DIR
{
  local out=$3
  rm -rf "$out"; cp -r "$in" "$out"
  bash "$here/wine-env.sh" "$1" bash -c '
    key=$1 settings=$2 program=$3; shift 3
    wine reg add "$key" /v ShellOn /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
    wine reg add "$key" /v ShellPath /t REG_SZ /d "$(winepath -w "$settings")" /f </dev/null >/dev/null 2>&1
    for f in "$@"; do
      wine "$program" /q "$(winepath -w "$f")" </dev/null >"$f.log" 2>&1
      echo "$?" >"$f.rc"
    done
    wine reg delete "$key" /f </dev/null >/dev/null 2>&1 || true
  ' _ "$regkey" "$work/quiet.tvx" "$1/$2" "$out"/*.* >/dev/null
}
convert_with "$winelib" tolvex.exe.so "$work/winelib"
convert_with "$windows" tolvex.exe "$work/windows"

failed=0
for src in "$in"/*.*; do
  name=q_$(basename "${src%.*}").gif
  a=$work/winelib/$name b=$work/windows/$name
  if [ ! -f "$a" ] || [ ! -f "$b" ]; then
    echo "$name: missing (Winelib $( [ -f "$a" ] && echo made || echo none), Windows $( [ -f "$b" ] && echo made || echo none))"
    # What the program that made none said, and how it ended.
    for side in winelib windows; do
      run=$work/$side/$(basename "$src")
      [ -f "$work/$side/$name" ] || echo "  $side: exit code $(cat "$run.rc" 2>/dev/null); $(tail -n 3 "$run.log" 2>/dev/null | tr '\n' ' ')"
    done
    failed=1; continue
  fi
  da=$(identify -format '%wx%h\n' "$a" | head -n1) db=$(identify -format '%wx%h\n' "$b" | head -n1)
  psnr=$(compare -metric PSNR "$a[0]" "$b[0]" null: 2>&1 || true)
  ok=$(awk -v p="$psnr" -v m=$min_psnr 'BEGIN { print (p == "inf" || p + 0 >= m) ? 1 : 0 }')
  echo "$name: Winelib $da, Windows $db, PSNR $psnr dB"
  if [ "$da" != "$db" ] || [ "$ok" != 1 ]; then failed=1; fi
done
if [ "$failed" = 0 ]; then echo "Quiet conversion: both builds agree (PSNR >= $min_psnr dB)"; else echo "Quiet conversion: the builds differ" >&2; fi
exit $failed
