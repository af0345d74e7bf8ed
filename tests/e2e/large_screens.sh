#!/usr/bin/env bash
# Large screens and several monitors, under X servers of our own: at 1920x1080, at
# 3840x2160 and on two 1920x1080 monitors side by side (a 3840x1080 screen split with
# xrandr --setmonitor), the wallpaper that quillrun puts on the root fills each monitor's
# height (or width) and is centred on every monitor, and the slideshow of quillsav runs
# centred on the primary monitor, the other one black, with its caption over the lower
# part of the picture. A 16:9 and a 3:2 picture are shown. On a display scaled by 2 the
# slideshow is placed the same, full screen and in a host's window.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
fail() { echo "FAIL: $case: $*" >&2; exit 1; }
case=setup
[ -x "$bin/quillsav" ] && [ -x "$bin/quillrun" ] && [ -f "$bin/djpeg32.so" ] || fail "not built in $bin"
for tool in Xvfb xrandr xwininfo import convert identify; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done

sandbox=$(mktemp -d)
xvfb_pid= saver_pid=
stop() {  # the saver or the X server, whichever pid variable is named
  if [ -n "${!1}" ]; then kill "${!1}" 2>/dev/null; wait "${!1}" 2>/dev/null || true; fi
  eval "$1="
}
trap 'stop saver_pid; stop xvfb_pid; rm -rf "$sandbox"' EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"
mkdir -p "$windows" "$program/Shapes"

# A 16:9 picture in red and a 3:2 one in green, flat so that every pixel can be told.
convert -size 1600x900 xc:'#C03030' "$program/Shapes/wide.jpg"
convert -size 1500x1000 xc:'#30A050' "$program/Shapes/photo.jpg"
write_config() {  # the wallpaper's current picture (quillrun shows the other one)
  printf '[Config]\r\nProgramPath=%s/\r\nCurrentSet=Shapes\r\nCurrentImage=%s\r\nLastDate=1/1/2000\r\nChangeImage=0\r\nStretchWallpaper=1\r\n[SetDescriptions]\r\nShapes=Shapes\\\r\n[Shapes]\r\nWide=wide\r\nPhoto=photo\r\n' \
    "$program" "$1" >"$program/quillmrk.ini"
}
start_saver() {  # list position (0 Wide, 1 Photo), then the saver's arguments
  rm -f "$windows/quillmrk.bmp"
  printf '[ScreenSaver.QuillMark]\r\nProgramPath=%s/\r\nCurrentSet=Shapes\r\nCurrentImageNumber=%s\r\nTimeBetween=5\r\nInMinutes=1\r\nShowInterpretiveText=1\r\nInterpretiveTextLanguage=English\r\n' \
    "$program" "$1" >"$windows/control.ini"
  shift
  "$program/quillsav" "$@" >"$sandbox/saver.log" 2>&1 &
  saver_pid=$!
  for _ in $(seq 60); do
    sleep 0.25
    kill -0 "$saver_pid" 2>/dev/null || fail "quillsav ended: $(cat "$sandbox/saver.log")"
    import -window root "$shot" 2>/dev/null || continue
    awk -v m="$(mean "${mw}x${mh}+0+0")" 'BEGIN { exit !(m > 0.05) }' && { sleep 0.5; import -window root "$shot"; return; }
  done
  fail "the primary monitor stays black"
}

shot=$sandbox/shot.png
# The mean brightness (0..1) of a part of the last screenshot: WIDTHxHEIGHT+X+Y.
mean() { convert "$shot" -crop "$1" +repage -colorspace gray -format '%[fx:mean]' info:; }
expect() {  # red|green|black x y what: the screenshot's pixel there is near that colour
  local hex r g b ok
  hex=$(convert "$shot" -crop "1x1+$2+$3" +repage -depth 8 txt:- | tail -n1 | grep -o '#[0-9A-F]\{6\}' | head -n1)
  r=$((16#${hex:1:2})) g=$((16#${hex:3:2})) b=$((16#${hex:5:2}))
  case $1 in
    red) ok=$((r > 150 && g < 90 && b < 90)) ;;
    green) ok=$((g > 130 && r < 90 && b < 120)) ;;
    black) ok=$((r < 8 && g < 8 && b < 8)) ;;
  esac
  [ "$ok" = 1 ] || fail "$4: pixel $2,$3 is $hex, not $1"
}
fit() {  # picture w h into monitor mw mh, as the decoder rounds: the shown width and height
  if [ $(($1 * $4)) -ge $(($2 * $3)) ]; then echo "$3 $((($2 * $3 * 2 + $1) / ($1 * 2)))"
  else echo "$((($1 * $4 * 2 + $2) / ($2 * 2))) $4"; fi
}
# A picture of w x h centred on the monitor at `left` that is mw wide: pixels just inside
# its edges are the colour, just outside black.
expect_centred() {  # colour w h left mw what
  local vw vh x y
  read -r vw vh < <(fit "$2" "$3" "$5" "$mh")
  x=$(($4 + ($5 - vw) / 2)) y=$(((mh - vh) / 2))
  expect "$1" $((x + 4)) $((y + vh / 2)) "$6: left edge"
  expect "$1" $((x + vw - 5)) $((y + 4)) "$6: top right"
  [ $((x - $4)) -le 8 ] || expect black $((x - 5)) $((mh / 2)) "$6: black left of it"
  [ "$y" -le 8 ] || expect black $((x + vw / 2)) $((y - 5)) "$6: black above it"
  [ -z "${QM_E2E_SHOTS:-}" ] || cp "$shot" "$QM_E2E_SHOTS/$case-$(echo "$6" | tr -c "A-Za-z0-9\n" -).png"
}

check_screen() {  # name, screen geometry, monitor widths (side by side, full height)
  case=$1 mh=${2#*x} mw=$3
  local monitors=("${@:3}") x=0 i=0 w
  start_xvfb "$2x24" || fail "could not start Xvfb"
  if [ ${#monitors[@]} -gt 1 ]; then
    for w in "${monitors[@]}"; do  # the first takes the place of the screen's own output
      xrandr --setmonitor "m$i" "$w/1x$mh/1+$x+0" "$([ $i = 0 ] && echo screen || echo none)" >/dev/null
      x=$((x + w)) i=$((i + 1))
    done
  fi
  write_config Wide
  start_saver 1 /s
  expect_centred green 1500 1000 0 "$mw" "saver 3x2"
  # The caption (the picture's name on a hatching) lies over the bottom of the picture, in
  # the middle of the primary monitor's view.
  local bottom middle
  bottom=$(mean "200x40+$((mw / 2 - 100))+$((mh - 40))") middle=$(mean "200x40+$((mw / 2 - 100))+$((mh / 2))")
  [ "$bottom" != "$middle" ] || fail "no caption at the bottom of the picture"
  [ ${#monitors[@]} = 1 ] || [ "$(mean "$((${2%x*} - mw))x$mh+$mw+0")" = 0 ] || fail "the other monitor is not black"
  stop saver_pid
  start_saver 0 /s
  expect_centred red 1600 900 0 "$mw" "saver 16x9"
  stop saver_pid

  local largest=0 picture left
  for w in "${monitors[@]}"; do [ "$w" -le "$largest" ] || largest=$w; done
  for picture in "Photo green 1500 1000" "Wide red 1600 900"; do
    set -- $picture
    write_config "$([ "$1" = Photo ] && echo Wide || echo Photo)"
    timeout 60 "$program/quillrun" || fail "quillrun exited with $?"
    [ "$(identify -format '%w %h' "$windows/quillmrk.bmp")" = "$(fit "$3" "$4" "$largest" "$mh")" ] ||
      fail "the $1 bitmap is not fitted to the largest monitor"
    import -window root "$shot"
    left=0
    for w in "${monitors[@]}"; do
      expect_centred "$2" "$3" "$4" "$left" "$w" "wallpaper $1 at $left"
      left=$((left + w))
    done
  done
  stop xvfb_pid
  echo "ok: $case"
}

check_screen full-hd 1920x1080 1920
check_screen uhd 3840x2160 3840
check_screen two-monitors 3840x1080 1920 1920

case=scaled
start_xvfb 1920x1080x24 || fail "could not start Xvfb"
mw=1920 mh=1080
write_config Wide
root=$(xwininfo -root | awk '/Window id/ { print $4 }')
for how in /s "-window-id $root"; do
  # shellcheck disable=SC2086
  QT_SCALE_FACTOR=2 start_saver 1 $how
  expect_centred green 1500 1000 0 "$mw" "saver ${how%% *}"
  stop saver_pid
done
stop xvfb_pid
echo "ok: $case"
echo "PASS"
