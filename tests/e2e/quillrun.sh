#!/usr/bin/env bash
# Runs the built quillrun in a sandbox under an X server of its own: a due change moves
# [Config] on to the next picture and today's date, writes the wallpaper bitmap, records it
# in win.ini and shows it centred on the root window; a change that is not due, or a manual
# schedule, changes nothing. A panorama comes out as a screen-sized window of the picture.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
tools=${QM_TOOLS_DIR:-}
samples=${QM_SAMPLES_DIR:-}
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$bin/quillrun" ] || fail "quillrun is not built in $bin"
if ! command -v Xvfb >/dev/null || ! command -v xprop >/dev/null || ! command -v import >/dev/null; then
  echo "SKIP: Xvfb, xprop or ImageMagick is missing"
  exit 0
fi

sandbox=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"

source "$(dirname "$0")/../../scripts/lib/ini.bash"

# The sets: the generated samples installed as the installer does, else one set made here.
ini=$program/quillmrk.ini
if [ -x "$tools/quillinst" ] && [ -x "$tools/quillcat" ] && [ -d "$samples" ] &&
   ls "$samples"/*/images.ini >/dev/null 2>&1; then
  for dir in "$samples"/*/; do
    [ -f "$dir/images.ini" ] && "$tools/quillinst" "$program" "$dir" >/dev/null
  done
  "$tools/quillcat" "$program" >/dev/null || fail "quillcat found no set"
else
  echo "note: no installer or samples; arranging one set by hand"
  mkdir -p "$program/Plain"
  convert -size 640x480 gradient:'#204080-#E0C040' "$program/Plain/one.jpg"
  convert -size 800x600 xc:'#30A050' "$program/Plain/two.jpg"
  convert -size 1600x600 gradient:'#A02020-#2020A0' "$program/Plain/three.jpg"
  printf '[Panoramic]\r\nPanoramicOrigin=100\r\n' >"$program/Plain/three.nfo"
  printf '[SetDescriptions]\r\nPlain=Plain\\\r\n[Plain]\r\nOne=one\r\nTwo=two\r\nThree=three\r\n' >"$ini"
fi
[ -f "$ini" ] || fail "no quillmrk.ini"

set_name=$(ini_keys "$ini" SetDescriptions | head -n1)
mapfile -t pictures < <(ini_keys "$ini" "$set_name")
[ ${#pictures[@]} -ge 2 ] || fail "set $set_name has fewer than two pictures"
set_folder=$(ini_get "$ini" SetDescriptions "$set_name")
set_folder=${set_folder//\\//}; set_folder=${set_folder%/}

write_config() {  # current picture, last date, change interval
  local rest
  rest=$(tr -d '\r' <"$ini" | awk '/^[ \t]*\[/ { skip = (tolower($0) ~ /^[ \t]*\[config\]/) } !skip')
  { printf '[Config]\r\nCurrentSet=%s\r\nCurrentImage=%s\r\nLastDate=%s\r\nChangeImage=%s\r\n' \
      "$set_name" "$1" "$2" "$3"
    printf 'StretchWallpaper=1\r\nUseAllImages=0\r\n'
    printf '%s\n' "$rest" | sed 's/$/\r/'; } >"$ini.new"
  mv "$ini.new" "$ini"
}

# An X server of our own, on a free display number; -noreset keeps the root pixmap when
# quillrun's connection closes.
start_xvfb || fail "could not start Xvfb"

bitmap=$windows/quillmrk.bmp
run() { timeout 60 "$program/quillrun" || fail "quillrun exited with $?"; }

# 1. A due change: next picture, today's date, the bitmap on the desktop.
write_config "${pictures[0]}" 1/1/2000 0
today=$(date +%-m/%-d/%Y)
run
[ "$(ini_get "$ini" Config CurrentSet)" = "$set_name" ] || fail "CurrentSet changed"
[ "$(ini_get "$ini" Config CurrentImage)" = "${pictures[1]}" ] ||
  fail "CurrentImage is '$(ini_get "$ini" Config CurrentImage)', not '${pictures[1]}'"
[ "$(ini_get "$ini" Config LastDate)" = "$today" ] || fail "LastDate is not $today"
[ "$(ini_get "$windows/win.ini" Desktop Wallpaper)" = "$bitmap" ] || fail "win.ini Wallpaper is wrong"
[ "$(ini_get "$windows/win.ini" Desktop TileWallpaper)" = 0 ] || fail "win.ini TileWallpaper is not 0"
[ "$(head -c2 "$bitmap")" = BM ] || fail "no bitmap file"
read -r width height < <(identify -format '%w %h\n' "$bitmap")
[ "$width" -le 1024 ] && [ "$height" -le 768 ] && { [ "$width" = 1024 ] || [ "$height" = 768 ]; } ||
  fail "bitmap is ${width}x${height}, not fitted to the 1024x768 screen class"
xprop -root _XROOTPMAP_ID ESETROOT_PMAP_ID | grep -c 'pixmap id #' | grep -qx 2 ||
  fail "root pixmap properties are not set"

# The root shows the bitmap centred: compare a few pixels exactly (24-bit root, no scaling).
pixel() { "$@" -depth 8 txt:- | tail -n1 | grep -o '#[0-9A-F]\{6\}' | head -n1; }
left=$(( (1024 - width) / 2 )); top=$(( (768 - height) / 2 ))
for spot in "$((width / 2)) $((height / 2))" "3 3" "$((width - 4)) $((height - 4))"; do
  read -r x y <<<"$spot"
  want=$(pixel convert "$bitmap" -crop "1x1+$x+$y" +repage)
  got=$(pixel import -window root -crop "1x1+$((left + x))+$((top + y))" +repage)
  [ -n "$want" ] && [ "$want" = "$got" ] || fail "root pixel at $((left + x)),$((top + y)) is $got, bitmap has $want"
done

# 2. Not due again today, and a manual schedule: nothing is written.
cp "$ini" "$sandbox/before.ini"; cp "$bitmap" "$sandbox/before.bmp"
run
cmp -s "$ini" "$sandbox/before.ini" || fail "a change that was not due wrote quillmrk.ini"
write_config "${pictures[0]}" 1/1/2000 3
cp "$ini" "$sandbox/before.ini"
run
cmp -s "$ini" "$sandbox/before.ini" || fail "a manual schedule wrote quillmrk.ini"
cmp -s "$bitmap" "$sandbox/before.bmp" || fail "a manual schedule changed the bitmap"

# 3. A panorama (a picture whose information file gives PanoramicOrigin) becomes a
#    screen-sized window of the picture.
panorama=-1
for i in "${!pictures[@]}"; do
  base=$(ini_get "$ini" "$set_name" "${pictures[$i]}"); base=${base//\\//}
  if [ -f "$program/$set_folder/$base.nfo" ] &&
     [ -n "$(ini_get "$program/$set_folder/$base.nfo" Panoramic PanoramicOrigin)" ]; then
    panorama=$i; break
  fi
done
if [ "$panorama" -ge 0 ]; then
  before=$(( (panorama + ${#pictures[@]} - 1) % ${#pictures[@]} ))
  write_config "${pictures[$before]}" 1/1/2000 0
  run
  [ "$(ini_get "$ini" Config CurrentImage)" = "${pictures[$panorama]}" ] || fail "did not step to the panorama"
  [ "$(identify -format '%wx%h' "$bitmap")" = 1024x768 ] || fail "the panorama window is not 1024x768"
else
  echo "note: no panorama among the pictures of $set_name"
fi
[ -n "${QM_E2E_SHOT:-}" ] && import -window root "$QM_E2E_SHOT"
echo "PASS"
