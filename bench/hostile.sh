#!/usr/bin/env bash
# A benchmark, never a test: the quiet conversion (`tolvex /q FILE`, the shell
# switch on, the settings of bench/run.sh) of each hostile picture that the
# tests' writers make (tests/support/HostileImages.h), one process a case,
# with its wall time and peak resident memory. A case still running after
# CAP seconds is killed and shown as ">CAP s".
# Runs inside tools/wine-env.sh, in a prefix of its own, like `make bench`.
# Usage: bench/hostile.sh MAKER_BUILD PROGRAM_FOLDER...
#   MAKER_BUILD: the Winelib build folder whose tolvex_hostile makes the files
#   PROGRAM_FOLDER: a folder holding tolvex.exe.so (Winelib) or tolvex.exe
#   (Windows); each is timed on every case in turn.
#   HOSTILE_CAP (60 s) and HOSTILE_SCALE (1: full size) change the run.
set -eu
maker_build=$(cd "$1" && pwd); shift
cap=${HOSTILE_CAP:-60}
scale=${HOSTILE_SCALE:-1}
data="$maker_build/hostile-data-$scale"
regkey='HKCU\SOFTWARE\Kestrelworks\Tolvex'

winpath() { winepath -w "$1" 2>/dev/null; }
program_of() # folder
{
  if [ -f "$1/tolvex.exe.so" ]; then echo "$1/tolvex.exe.so"; else echo "$1/tolvex.exe"; fi
}

# The pictures, made once and kept in the build folder.
if [ ! -f "$data.ready" ]; then
  rm -rf "$data"; mkdir -p "$data/in"
  wine "$maker_build/tolvex_hostile.exe.so" "$(winpath "$data/in")" "$scale" </dev/null >/dev/null
  touch "$data.ready"
fi

# The settings of `make bench` (b): a 120 x 120 thumbnail, prefix th_.
settings="$data/thumb.tvx"
printf '[Resize]\r\nEnableResize=1\r\nEnableWidth=1\r\nWidth=120\r\nEnableHeight=1\r\nHeight=120\r\nDoNothing=1\r\nDoCrop=0\r\nDoStretch=0\r\n[Border]\r\nEnableBorder=0\r\nWidth=0\r\nColorR=0\r\nColorG=0\r\nColorB=0\r\n3d=0\r\n[Image]\r\nHue=100\r\nSaturation=100\r\nLightness=100\r\n[Rotate]\r\nRotate=0\r\n[File Names]\r\nPrefix=th_\r\nName=0\r\nSuffix=\r\n' >"$settings"
wine reg add "$regkey" /v ShellOn /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
wine reg add "$regkey" /v ShellPath /t REG_SZ /d "$(winpath "$settings")" /f </dev/null >/dev/null 2>&1

echo "Quiet conversion of each hostile picture, cap $cap s; load average: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-16s %-10s %-40s %10s %10s  %s\n' case bytes program seconds peak_MB output
for folder in "$@"; do
  program=$(program_of "$(cd "$folder" && pwd)")
  # A copy of its own: the program keeps its settings beside itself.
  run=$(mktemp -d "$data/run.XXXXXX")
  cp "$program" "$run/"
  image="$run/$(basename "$program")"
  for file in "$data"/in/*; do
    name=$(basename "$file")
    work="$run/$name"; cp "$file" "$work"
    out="$run/th_${name%.*}.gif"
    times="$run/times"
    set +e
    /usr/bin/time -f '%e %M' -o "$times" timeout -s KILL "$cap" wine "$image" /q "$(winpath "$work")" \
      </dev/null >/dev/null 2>&1
    rc=$?
    set -e
    # The last line: GNU time puts a note of a failed exit before it.
    read -r seconds peak_kb <<<"$(tail -n1 "$times")" || true
    if [ "$rc" -eq 137 ] || [ "$rc" -eq 124 ]; then seconds=">$cap"; fi
    written="none"
    [ -f "$out" ] && written="$(stat -c %s "$out") bytes"
    printf '%-16s %-10s %-40s %10s %10s  %s\n' "$name" "$(stat -c %s "$file")" \
      "$(basename "$folder")/$(basename "$program")" "$seconds" "$(( ${peak_kb:-0} / 1024 ))" "$written"
    rm -f "$work" "$out"
  done
  rm -rf "$run"
done
wine reg delete "$regkey" /f </dev/null >/dev/null 2>&1 || true
