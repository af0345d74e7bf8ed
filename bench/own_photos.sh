#!/usr/bin/env bash
# Set-from-photos benchmark, one command: makes a folder of 100 photos (1600x1200, every
# third one tagged to be turned, every tenth a PNG), times quillinst --photos on it, then
# the same work done with ImageMagick command lines (turn upright and store as JPEG, 8-bit
# 80x60 thumbnail), one photo after the other, and prints the ratio.
# Usage: bench/own_photos.sh [build-dir]   (default: build/, as scripts/build makes it)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$(dirname "$here")/build}
quillinst=$build/tools/quillinst
[ -x "$quillinst" ] || { echo "no $quillinst: run scripts/build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config
mkdir -p "$HOME" "$work/photos" "$work/program" "$work/magick"

convert -size 1600x1200 plasma:fractal -seed 7 -quality 90 "$work/base.jpg" 2>/dev/null ||
  convert -size 1600x1200 gradient:navy-orange -quality 90 "$work/base.jpg"
convert "$work/base.jpg" "$work/base.png"
for i in $(seq -w 1 100); do
  if ((10#$i % 10 == 0)); then
    cp "$work/base.png" "$work/photos/photo_$i.png"
  else
    cp "$work/base.jpg" "$work/photos/photo_$i.jpg"
    if ((10#$i % 3 == 0)); then exiv2 -M'set Exif.Image.Orientation 6' "$work/photos/photo_$i.jpg"; fi
  fi
done
echo "photos: 100 at 1600x1200 (90 JPEG, 10 PNG; 30 tagged to be turned)"

ms() { echo $((($(date +%s%N) - $1) / 1000000)); }

start=$(date +%s%N)
"$quillinst" "$work/program" --photos "$work/photos" --name Bench >/dev/null 2>&1
ours=$(ms "$start")

start=$(date +%s%N)
for photo in "$work"/photos/*; do
  name=$(basename "${photo%.*}")
  convert "$photo" -auto-orient -strip -quality 90 "$work/magick/$name.jpg"
  convert "$work/magick/$name.jpg" -thumbnail '80x60^' -gravity center -extent 80x60 \
    -colors 256 -type Palette "BMP3:$work/magick/$name.bmp"
done
magick=$(ms "$start")

echo "quillinst --photos: ${ours} ms"
echo "ImageMagick:        ${magick} ms"
awk -v a="$magick" -v b="$ours" 'BEGIN { printf "ratio (ImageMagick / quillinst): %.2f\n", a / b }'
