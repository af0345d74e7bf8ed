#!/usr/bin/env bash
# Decoder benchmark for a large monitor, one command: builds the decoder and the bench
# tools in a Release tree, makes a 24-megapixel 3:2 camera-like JPEG, and times (best of
# N runs each)
#   our decoder at scale class 3 for a 3840x2160 screen (3240x2160, 24-bit bitmap),
#   libjpeg-turbo's djpeg at the nearest DCT scale that is not smaller (within 5%, as
#     ours picks it) writing a bitmap, plus ImageMagick resizing that bitmap to 3240x2160,
# and reports ours against the sum of the two.
# Usage: bench/large_screens.sh [build-dir] [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(dirname "$here")
build=$(realpath -m "${1:-$source_dir/build-bench}")  # the decoder host takes absolute paths only
runs=${2:-5}
picture_w=6000 picture_h=4000 screen_w=3840 screen_h=2160

cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target djpeg32 qm_bench_make_jpeg qm_bench_screen_decode qm_bench_time -j2 >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/qm_bench_make_jpeg" "$work/in.jpg" "$picture_w" "$picture_h" 90
echo "picture: ${picture_w}x${picture_h}, $(stat -c %s "$work/in.jpg") bytes; screen ${screen_w}x${screen_h}; best of $runs runs"

# The picture fitted into the screen, and the DCT scale M/8 that djpeg needs for it.
if ((picture_w * screen_h >= picture_h * screen_w)); then
  out_w=$screen_w out_h=$(((picture_h * screen_w * 2 + picture_w) / (picture_w * 2)))
else
  out_h=$screen_h out_w=$(((picture_w * screen_h * 2 + picture_h) / (picture_h * 2)))
fi
for m in 1 2 3 4 5 6 7 8; do
  scaled_w=$(((picture_w * m + 7) / 8)) scaled_h=$(((picture_h * m + 7) / 8))
  ((scaled_w * 20 >= out_w * 19 && scaled_h * 20 >= out_h * 19)) && break
done

best_of() {  # best wall time in ms of a command over $runs runs
  local best=""
  for ((i = 0; i < runs; i++)); do
    local us
    us=$("$build/bench/qm_bench_time" "$@")
    if [[ -z $best || $us -lt $best ]]; then best=$us; fi
  done
  awk -v us="$best" 'BEGIN { printf "%.1f", us / 1000 }'
}

ours=$("$build/bench/qm_bench_screen_decode" "$build/bin/djpeg32.so" "$work/in.jpg" "$work/q.bmp" 3 16777216 "$screen_w" "$screen_h" "$runs")
read -r got_w got_h < <(identify -format '%w %h\n' "$work/q.bmp")
[ "$got_w $got_h" = "$out_w $out_h" ] || { echo "our bitmap is ${got_w}x$got_h, not ${out_w}x$out_h" >&2; exit 1; }
djpeg=$(best_of djpeg -scale "$m/8" -bmp -outfile "$work/d.bmp" "$work/in.jpg")
djpeg -scale "$m/8" -bmp -outfile "$work/d.bmp" "$work/in.jpg"
resize=$(best_of convert "$work/d.bmp" -resize "${out_w}x${out_h}!" "$work/r.bmp")
reference=$(awk -v a="$djpeg" -v b="$resize" 'BEGIN { printf "%.1f", a + b }')

printf '%-52s %10s ms\n' "djpeg32.so, class 3 for ${screen_w}x${screen_h} (${out_w}x${out_h})" "$ours" \
  "djpeg -scale $m/8 -bmp (${scaled_w}x${scaled_h})" "$djpeg" \
  "convert -resize ${out_w}x${out_h}" "$resize" \
  "djpeg + resize" "$reference"
echo "ours: $(awk -v a="$ours" -v b="$reference" 'BEGIN { printf "%.2f", a / b }')x the time of djpeg at its nearest scale plus a resize; $(awk -v a="$ours" -v b="$djpeg" 'BEGIN { printf "%.2f", a / b }')x djpeg alone"
