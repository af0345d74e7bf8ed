#!/usr/bin/env bash
# Decoder benchmark, one command: builds the decoder and the bench tools in a Release
# tree, makes a 12-megapixel JPEG, and times (best of N runs each)
#   our decoder to a scale-class-3 24-bit bitmap and to an 8-bit 256-colour bitmap,
#     called directly and through the decoder host as the programs call it,
#   libjpeg-turbo's djpeg at its nearest equivalents (-scale 1/4 -bmp, -colors 256 -bmp),
#   ImageMagick's convert -resize 1024x768.
# Usage: bench/decode.sh [build-dir] [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=$(realpath -m "${1:-$source_dir/build-bench}")  # the decoder host takes absolute paths only
runs=${2:-5}

cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target djpeg32 quilldec qm_bench_make_jpeg qm_bench_decode qm_bench_time -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/qm_bench_make_jpeg" "$work/in.jpg" 4000 3000 90
echo "picture: 4000x3000, $(stat -c %s "$work/in.jpg") bytes; best of $runs runs"

# Best wall time in ms of a command over $runs runs.
best_of() {
  local best=""
  for ((i = 0; i < runs; i++)); do
    local us
    us=$("$build/bench/qm_bench_time" "$@")
    if [[ -z $best || $us -lt $best ]]; then best=$us; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}

# Each line: direct call, call through the decoder host as the programs make it (ms), a check byte.
read -r ours24 isolated24 _ < <("$build/bench/qm_bench_decode" "$build/bin/djpeg32.so" "$work/in.jpg" "$work/q24.bmp" 3 16777216 "$runs")
read -r ours8 isolated8 _ < <("$build/bench/qm_bench_decode" "$build/bin/djpeg32.so" "$work/in.jpg" "$work/q8.bmp" 3 256 "$runs")
djpeg24=$(best_of djpeg -scale 1/4 -bmp -outfile "$work/d24.bmp" "$work/in.jpg")
djpeg8=$(best_of djpeg -colors 256 -bmp -outfile "$work/d8.bmp" "$work/in.jpg")
magick=$(best_of convert "$work/in.jpg" -resize 1024x768 "$work/m.bmp")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf '%-44s %10s ms\n' "djpeg32.so, class 3, 24-bit (1024x768)" "$ours24" \
  "djpeg32.so, class 3, 256 colours (1024x768)" "$ours8" \
  "djpeg -scale 1/4 -bmp (1000x750)" "$djpeg24" \
  "djpeg -colors 256 -bmp (4000x3000)" "$djpeg8" \
  "convert -resize 1024x768" "$magick"
echo "24-bit: $(ratio "$ours24" "$djpeg24")x djpeg's time (target <= 1.2); ImageMagick takes $(ratio "$magick" "$ours24")x ours (target >= 5)"
echo "256 colours: $(ratio "$ours8" "$djpeg8")x djpeg -colors 256's time"
echo "through the decoder host, as the programs call it: $isolated24 ms (24-bit), $isolated8 ms (256 colours): $(ratio "$isolated24" "$ours24")x and $(ratio "$isolated8" "$ours8")x the direct call's time"
