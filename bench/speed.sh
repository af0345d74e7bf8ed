#!/usr/bin/env bash
# Speed benchmark, one command, everything side by side in one run (medians of N runs):
#   quillrun changing the wallpaper (class 1, no display) against djpeg -scale 1/4 -bmp as a
#     process; quillrun with no change due (time and resident memory), without and with a
#     display;
#   under Xvfb: quillrun changing the wallpaper (class 3) against feh --bg-max and
#     xwallpaper --zoom on the same picture, and putting the recorded bitmap back against
#     feh --bg-center loading that bitmap;
#   the decoder at class 3 for 1024x768, called directly and through its host, against djpeg,
#     and for a 3840x2160 monitor against djpeg at its nearest scale plus a resize
#     (bench/large_screens.sh);
#   the saver's transitions (drawing CPU against the effects' sleeps) and pan step at
#     1024x768 and 3840x2160, on memory surfaces and on a real window under Xvfb.
# Usage: bench/speed.sh [build-dir] [runs]   (default: a Release tree in build-bench, 9 runs)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=$(realpath -m "${1:-$source_dir/build-bench}")  # the decoder host takes absolute paths only
runs=${2:-9}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target quillrun quillrun-desktop quilldec quillmsg djpeg32 qm_bench_make_jpeg \
  qm_bench_decode qm_bench_slideshow qm_bench_time -j2 >/dev/null
for tool in djpeg feh xwallpaper Xvfb /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
  rm -rf "$work"
}
trap cleanup EXIT
source "$source_dir/scripts/lib/session.bash"
sandbox_session "$work"
unset DISPLAY
program=$work/program windows=$XDG_CONFIG_HOME/quillmark
mkdir -p "$program/Coast" "$windows"
for file in quillrun quillrun-desktop quilldec quillmsg djpeg32.so; do cp "$build/bin/$file" "$program/"; done
"$build/bench/qm_bench_make_jpeg" "$program/Coast/Beach.jpg" 4000 3000 90
cp "$program/Coast/Beach.jpg" "$program/Coast/Cliff.jpg"
picture=$program/Coast/Beach.jpg
echo "picture: 4000x3000 q90, $(stat -c %s "$picture") bytes; medians of $runs runs"

# settings STRETCH LASTDATE: a set of two pictures, changed daily.
settings() {
  printf '[Config]\r\nCurrentSet=Coast\r\nCurrentImage=Beach\r\nLastDate=%s\r\nChangeImage=0\r\nUseAllImages=0\r\nStretchWallpaper=%s\r\n\r\n[SetDescriptions]\r\nCoast=Coast\\\r\n\r\n[Coast]\r\nBeach=Beach\r\nCliff=Cliff\r\n' \
    "$2" "$1" >"$program/quillmrk.ini"
}
change_due() { settings "$1" 1/1/2000; }
today=$(date +%-m/%-d/%Y)

# interleaved PREPARE COMMAND [PREPARE COMMAND...]: runs the commands in turn for $runs
# rounds, each after its PREPARE (untimed), so that a load on the machine that comes and goes
# falls on all of them alike; sets median_1, median_2, ... to their median wall times in ms.
# A COMMAND times its process with `timed`.
interleaved() {
  local -a prepare=() command=()
  while [ $# -gt 0 ]; do prepare+=("$1"); command+=("$2"); shift 2; done
  local k i
  for k in "${!command[@]}"; do : >"$work/times.$k"; done
  for ((i = 0; i < runs; i++)); do
    for k in "${!command[@]}"; do
      ${prepare[k]}
      timings=$work/times.$k
      ${command[k]} || true
    done
  done
  for k in "${!command[@]}"; do
    printf -v "median_$((k + 1))" '%s' "$(sort -n "$work/times.$k" |
      awk '{ t[NR] = $1 } END { printf "%.1f", t[int((NR + 1) / 2)] / 1000 }')"
  done
}
# timed COMMAND [ARG...]: one run, its wall time in us added to the round's timings; from the
# process's start to its exit, without the shell's fork and clock reads around it.
timed() {
  local us
  us=$("$build/bench/qm_bench_time" "$@") || true
  [ -n "$us" ] && echo "$us" >>"$timings"
}
# median_kb PREPARE COMMAND...: the median peak resident memory in KB.
median_kb() {
  local prepare=$1
  shift
  local sizes=()
  for ((i = 0; i < runs; i++)); do
    $prepare
    sizes+=($(/usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1))
  done
  printf '%s\n' "${sizes[@]}" | sort -n | awk '{ s[NR] = $1 } END { print s[int((NR + 1) / 2)] }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
nothing() { :; }
not_due_plain() { settings 0 "$today"; }
change_plain() { change_due 0; }
change_stretched() { change_due 1; }

row() { printf '  %-52s %9s\n' "$1" "$2"; }

quillrun() { timed "$program/quillrun"; }
djpeg_quarter() { timed djpeg -scale 1/4 -bmp -outfile "$work/d.bmp" "$picture"; }
feh_max() { timed feh --no-fehbg --bg-max "$picture"; }
xwallpaper_zoom() { timed xwallpaper --zoom "$picture"; }
feh_recorded() { timed feh --no-fehbg --bg-center "$windows/quillmrk.bmp"; }

echo "log-on change, no display (class 1):"
interleaved change_plain quillrun nothing djpeg_quarter not_due_plain quillrun
ours=$median_1 djpeg1=$median_2 idle=$median_3
idle_kb=$(median_kb not_due_plain "$program/quillrun")
change_kb=$(median_kb change_plain "$program/quillrun")
row "quillrun, change" "$ours ms"
row "djpeg -scale 1/4 -bmp (as a process)" "$djpeg1 ms"
echo "  ratio $(ratio "$ours" "$djpeg1")x djpeg (target <= 1.3)"
row "quillrun, no change due" "$idle ms"
row "  its peak resident memory" "$idle_kb KB"
row "quillrun, change: peak resident memory (with its decoder host)" "$change_kb KB"
echo "  no change: $(ratio "$idle" 5)x the 5 ms target, $(ratio "$idle_kb" 5120)x the 5 MB target"

echo "with a display (Xvfb 1024x768, a bare X root window; class 3):"
start_xvfb 1024x768x24
interleaved change_stretched quillrun nothing feh_max nothing xwallpaper_zoom not_due_plain quillrun \
  nothing feh_recorded
ours3=$median_1 feh=$median_2 xwall=$median_3 restore=$median_4 feh_bitmap=$median_5
row "quillrun, change" "$ours3 ms"
row "feh --bg-max" "$feh ms"
row "xwallpaper --zoom" "$xwall ms"
echo "  ratio $(ratio "$ours3" "$feh")x feh, $(ratio "$ours3" "$xwall")x xwallpaper (target <= 0.5)"
row "quillrun, no change (puts the recorded bitmap back)" "$restore ms"
row "feh --bg-center on that bitmap (loads it, hands it to the X root)" "$feh_bitmap ms"
echo "  ratio $(ratio "$restore" "$feh_bitmap")x (target <= 1: no more than loading the bitmap and handing it over)"
kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null || true
xvfb_pid=
unset DISPLAY

echo "decoder, class 3 (1024x768), 24-bit (best of $runs):"
read -r direct hosted _ < <("$build/bench/qm_bench_decode" "$program/djpeg32.so" "$picture" \
  "$work/q24.bmp" 3 16777216 "$runs")
interleaved nothing djpeg_quarter
djpeg3=$median_1
row "djpeg32.so, called directly" "$direct ms"
row "djpeg32.so, through the decoder host" "$hosted ms"
row "djpeg -scale 1/4 -bmp (as a process, median of $runs)" "$djpeg3 ms"
echo "  direct $(ratio "$direct" "$djpeg3")x djpeg; the host costs $(ratio "$hosted" "$direct")x the direct call"

echo "decoder, class 3 for a 3840x2160 monitor:"
"$here/large_screens.sh" "$build" "$runs" | sed 's/^/  /'

echo "slideshow drawing (memory surfaces; CPU of the drawing against the effect's sleeps, median of 3):"
for size in 1024x768 3840x2160; do
  QT_QPA_PLATFORM=offscreen "$build/bench/qm_bench_slideshow" "${size%x*}" "${size#*x}" 2>/dev/null |
    awk -v size="$size" '
      $1 == "effect" { printf "  %-10s effect %d: %8.1f ms CPU for %5d ms of sleeps = %5.1f%% (target < 10%%)\n", size, $2, $3, $4, 100 * $3 / $4 }
      $1 == "pan" { printf "  %-10s pan step (%s): %8.1f us (target < 1000)\n", size, $2, $3 }'
done
echo "on a real full-screen window under Xvfb (transitions shown at each 60 Hz refresh, median of 3; each"
echo "pan step at once): CPU of the saver's thread; the X server's CPU for the pan, on a GPU a blit, beside it:"
for size in 1024x768 3840x2160; do
  start_xvfb "${size}x24"
  QM_BENCH_SERVER_PID=$xvfb_pid "$build/bench/qm_bench_slideshow" "${size%x*}" "${size#*x}" window \
    2>/dev/null >"$work/window.txt" || true
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
  awk -v size="$size" '
    $1 == "windoweffect" { printf "  %-10s effect %d: %8.1f ms CPU for %5d ms of sleeps = %5.1f%% (target < 10%%)\n", size, $2, $3, $4, 100 * $3 / $4 }
    $1 == "window" { printf "  %-10s pan step (%s): %7.1f us CPU, %7.1f us wall (target < 1000); X server %7.1f us CPU\n", size, $2, $3, $4, $5 }' "$work/window.txt"
done
unset DISPLAY
