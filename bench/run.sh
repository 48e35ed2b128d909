#!/usr/bin/env bash
# `make bench`: times the batch conversion, the quiet conversion and the
# preview against ImageMagick's own command-line tools on generated photos,
# and prints one line per figure (medians of BENCH_RUNS runs, 3 unless set).
# `make bench-compare`: figure (a) alone, the Windows build against the
# Winelib build in one run: the two take turns on the same photos, BENCH_RUNS
# times each (at least 5), and the medians and their ratio are printed.
# Runs inside tools/wine-env.sh, in a prefix of its own.
# Usage: bench/run.sh BUILD_DIR
#        bench/run.sh --compare WINELIB_BUILD WINDOWS_BUILD
set -eu
compare=""
if [ "$1" = "--compare" ]; then compare=1; shift; fi
build=$(cd "$1" && pwd)
data="${BENCH_DATA:-$build/bench-data}"
runs=${BENCH_RUNS:-3}
[ "$runs" -ge 3 ] || runs=3
convert=/usr/bin/convert
mogrify=/usr/bin/mogrify
# Winelib's programs are .exe.so images; the Windows build's are PE files.
program_of() # build name
{
  if [ -f "$1/tolvex.exe.so" ]; then echo "$1/$2.exe.so"; else echo "$1/$2.exe"; fi
}
bench=$(program_of "$build" tolvex_bench)
program=$(program_of "$build" tolvex)
regkey='HKCU\SOFTWARE\Kestrelworks\Tolvex'

winpath() { winepath -w "$1" 2>/dev/null; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
field() { awk -v k="$1" '$1 == k { print $2 }'; }

# Photo-like JPEGs: a fractal plasma with fine grain, a few distinct ones
# copied to the count asked for. Made once and kept in the build folder.
make_photos() # folder count width height
{
  local dir=$1 count=$2 w=$3 h=$4 distinct=4 i
  [ -f "$dir.ready" ] && return
  rm -rf "$dir"; mkdir -p "$dir"
  for i in $(seq 1 $distinct); do
    $convert -size "$((w / 4))x$((h / 4))" -seed "$i" plasma:fractal -resize "${w}x${h}!" \
      -attenuate 0.4 +noise Gaussian -quality 90 "$dir/seed$i.jpg"
  done
  for i in $(seq 1 "$count"); do
    cp "$dir/seed$(( (i - 1) % distinct + 1 )).jpg" "$dir/photo$(printf %03d "$i").jpg"
  done
  rm -f "$dir"/seed*.jpg
  touch "$dir.ready"
}

echo "Preparing the photos in $data"
make_photos "$data/small40" 40 1600 1200
out="$data/out"

# The batch conversion in process: prints its seconds; keeps the peak.
tolvex_batch() # bench source width height -> "seconds peak_mb"
{
  rm -rf "$out"; mkdir -p "$out"
  local r
  r=$(wine "$1" batch "$(winpath "$2")" "$(winpath "$out")" "$3" "$4" </dev/null)
  echo "$(echo "$r" | field seconds) $(echo "$r" | field peak_mb)"
}

# The two builds side by side: turn about, so that a change in the machine's
# load falls on both.
if [ -n "$compare" ]; then
  winelib_bench=$bench
  windows_bench=$(program_of "$(cd "$2" && pwd)" tolvex_bench)
  [ "$runs" -ge 5 ] || runs=5
  tl=(); tw=()
  for _ in $(seq "$runs"); do
    read -r s _ <<<"$(tolvex_batch "$winelib_bench" "$data/small40" 120 120)"; tl+=("$s")
    read -r s _ <<<"$(tolvex_batch "$windows_bench" "$data/small40" 120 120)"; tw+=("$s")
  done
  rm -rf "$out"
  l_t=$(printf '%s\n' "${tl[@]}" | median); w_t=$(printf '%s\n' "${tw[@]}" | median)
  echo
  echo "Medians of $runs runs, the builds taking turns; load average: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "(a) Convert All, 40 photos 1600x1200 to 120x120 thumbnails: Windows build $w_t s, Winelib build $l_t s, ratio $(ratio "$w_t" "$l_t") (goal <= 1.20)"
  echo "  each run: Windows ${tw[*]} s; Winelib ${tl[*]} s"
  exit 0
fi

make_photos "$data/small200" 200 1600 1200
make_photos "$data/big10" 10 4000 3000
make_photos "$data/one" 1 4000 3000

mogrify_time() # source [options...]
{
  local src=$1; shift
  rm -rf "$out"; mkdir -p "$out"
  local t0; t0=$(now)
  $mogrify -path "$out" -format gif "$@" "$src"/*.jpg
  elapsed "$t0" "$(now)"
}

# (a) thumbnails of 40 photos. For reference, mogrify is also timed with
# both of the program's remedies (freed memory kept, the JPEG decoded at
# reduced size): what the image library itself needs for this work.
ta=(); pa=(); ma=(); ra=()
for _ in $(seq "$runs"); do
  read -r s p <<<"$(tolvex_batch "$bench" "$data/small40" 120 120)"; ta+=("$s"); pa+=("$p")
  ma+=("$(mogrify_time "$data/small40" -scale 120x120 -modulate 100,100,100)")
  ra+=("$(MALLOC_MMAP_MAX_=0 MALLOC_TRIM_THRESHOLD_=2000000000 \
    mogrify_time "$data/small40" -define jpeg:size=240x180 -scale 120x120 -modulate 100,100,100)")
done
a_t=$(printf '%s\n' "${ta[@]}" | median); a_m=$(printf '%s\n' "${ma[@]}" | median)
a_r=$(printf '%s\n' "${ra[@]}" | median)
a_peak=$(printf '%s\n' "${pa[@]}" | median)

# (b) the quiet conversion of one 12 MP photo, Wine's process start included
settings="$data/thumb.tvx"
printf '[Resize]\r\nEnableResize=1\r\nEnableWidth=1\r\nWidth=120\r\nEnableHeight=1\r\nHeight=120\r\nDoNothing=1\r\nDoCrop=0\r\nDoStretch=0\r\n[Border]\r\nEnableBorder=0\r\nWidth=0\r\nColorR=0\r\nColorG=0\r\nColorB=0\r\n3d=0\r\n[Image]\r\nHue=100\r\nSaturation=100\r\nLightness=100\r\n[Rotate]\r\nRotate=0\r\n[File Names]\r\nPrefix=th_\r\nName=0\r\nSuffix=\r\n' >"$settings"
wine reg add "$regkey" /v ShellOn /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
wine reg add "$regkey" /v ShellPath /t REG_SZ /d "$(winpath "$settings")" /f </dev/null >/dev/null 2>&1
photo="$data/one/photo001.jpg"
wphoto=$(winpath "$photo")
tb=(); cb=()
for _ in $(seq "$runs"); do
  rm -f "$data/one/th_photo001.gif"
  # The program ends every road with 1.
  t0=$(now); wine "$program" /q "$wphoto" </dev/null || true; tb+=("$(elapsed "$t0" "$(now)")")
  [ -f "$data/one/th_photo001.gif" ] || echo "the quiet conversion wrote nothing" >&2
  t0=$(now); $convert "$photo" -scale 120x120 -modulate 100,100,100 "gif:$data/convert.gif"
  cb+=("$(elapsed "$t0" "$(now)")")
done
wine reg delete "$regkey" /f </dev/null >/dev/null 2>&1 || true
b_t=$(printf '%s\n' "${tb[@]}" | median); b_c=$(printf '%s\n' "${cb[@]}" | median)

# (c) full size, 10 photos of 12 MP
tc=(); mc=()
for _ in $(seq "$runs"); do
  read -r s _ <<<"$(tolvex_batch "$bench" "$data/big10" 0 0)"; tc+=("$s")
  mc+=("$(mogrify_time "$data/big10" -modulate 100,100,100)")
done
c_t=$(printf '%s\n' "${tc[@]}" | median); c_m=$(printf '%s\n' "${mc[@]}" | median)

# Peak memory of (a) with 200 photos
p200=()
for _ in $(seq "$runs"); do
  read -r _ p <<<"$(tolvex_batch "$bench" "$data/small200" 120 120)"; p200+=("$p")
done
a_peak200=$(printf '%s\n' "${p200[@]}" | median)

# (d) 100 thumbnails into a folder that already holds 10,000 other files,
# against the same into an empty folder: under Wine each look-up of a name
# that is not there reads the whole folder.
make_photos "$data/small100" 100 1600 1200
crowded="$data/crowded"
if [ ! -f "$crowded.ready" ]; then
  rm -rf "$crowded"; mkdir -p "$crowded"
  (cd "$crowded" && seq -f 'other%05g.dat' 1 10000 | xargs touch)
  touch "$crowded.ready"
fi
into_folder() # source folder -> seconds; the folder keeps its other files
{
  rm -f "$2"/photo*.gif
  wine "$bench" batch "$(winpath "$1")" "$(winpath "$2")" 120 120 </dev/null | field seconds
}
te=(); tf=()
for _ in $(seq "$runs"); do
  rm -rf "$out"; mkdir -p "$out"
  te+=("$(into_folder "$data/small100" "$out")")
  tf+=("$(into_folder "$data/small100" "$crowded")")
done
rm -f "$crowded"/photo*.gif
d_e=$(printf '%s\n' "${te[@]}" | median); d_f=$(printf '%s\n' "${tf[@]}" | median)

# The preview: focus to picture and the option changes, in process
pv=$(wine "$bench" preview "$wphoto" "$((runs < 5 ? 5 : runs))" </dev/null)
rm -rf "$out" "$data/convert.gif" "$data/one/th_photo001.gif"

avg_kb() { ls -l "$1"/*.jpg | awk '{ s += $5; n++ } END { printf "%.0f", s / n / 1024 }'; }
echo
echo "Inputs: 1600x1200 JPEGs of $(avg_kb "$data/small40") KB, 12 MP JPEGs of $(avg_kb "$data/big10") KB on average"
echo "Medians of $runs runs:"
echo "(a) Convert All, 40 photos 1600x1200 to 120x120 thumbnails: tolvex $a_t s, mogrify $a_m s, ratio $(ratio "$a_t" "$a_m") (goal <= 0.2)"
echo "    for reference, mogrify with freed memory kept and the reduced JPEG decode: $a_r s, ratio to plain mogrify $(ratio "$a_r" "$a_m")"
echo "(b) quiet conversion, 12 MP JPEG to a thumbnail, process start included: tolvex $b_t s, convert $b_c s, ratio $(ratio "$b_t" "$b_c") (goal <= 1.0)"
echo "(c) Convert All at full size, 10 photos of 12 MP: tolvex $c_t s, mogrify $c_m s, ratio $(ratio "$c_t" "$c_m") (goal <= 1.0)"
echo "(d) Convert All, 100 thumbnails into a folder of 10,000 files: $d_f s, into an empty folder: $d_e s, ratio $(ratio "$d_f" "$d_e") (goal <= 1.2)"
echo "peak memory of (a): 40 photos $a_peak MB, 200 photos $a_peak200 MB, ratio $(ratio "$a_peak200" "$a_peak") (goal <= 1.10)"
# The peak working set is the process's resident high-water mark. Every
# run is shown so that a run that strays from the others reads as such.
echo "  peak of each run: 40 photos ${pa[*]} MB; 200 photos ${p200[*]} MB"
echo "preview, 12 MP JPEG: focus to picture $(echo "$pv" | field focus_median) s (first in the process $(echo "$pv" | field focus_first) s) (goal <= 0.150)"
echo "preview option changes: median $(echo "$pv" | field change_median) s, slowest single pass $(echo "$pv" | field change_worst) s (goals <= 0.050 and <= 0.100)"
echo "preview stage-0 pass, width 10000 alone: $(echo "$pv" | field stage0_width10000) s (goal <= 0.100)"
echo "preview, each option change (median s):"
echo "$pv" | awk '$1 ~ /^change_/ && $1 != "change_median" && $1 != "change_worst" { sub("change_", "", $1); printf "  %s %s\n", $1, $2 }'
