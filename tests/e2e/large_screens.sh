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
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$bin/quillsav" ] && [ -x "$bin/quillrun" ] || fail "quillsav or quillrun is not built in $bin"
[ -f "$bin/djpeg32.so" ] || fail "the decoder is not built in $bin"
for tool in Xvfb xrandr xdotool xwininfo import convert identify; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done

sandbox=$(mktemp -d)
xvfb_pid=
saver_pid=
stop_xvfb() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null || true; fi
  xvfb_pid=
}
cleanup() {
  if [ -n "$saver_pid" ]; then kill "$saver_pid" 2>/dev/null; wait "$saver_pid" 2>/dev/null || true; fi
  stop_xvfb
  rm -rf "$sandbox"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
source "$(dirname "$0")/../../scripts/lib/ini.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"
mkdir -p "$windows" "$program/Shapes"

# A 16:9 picture in red and a 3:2 one in green, flat so every pixel can be told.
convert -size 1600x900 xc:'#C03030' "$program/Shapes/wide.jpg"
convert -size 1500x1000 xc:'#30A050' "$program/Shapes/photo.jpg"
ini=$program/quillmrk.ini
catalogue='[SetDescriptions]\r\nShapes=Shapes\\\r\n[Shapes]\r\nWide=wide\r\nPhoto=photo\r\n'
write_config() {  # the wallpaper's current picture: quillrun shows the other one
  { printf '[Config]\r\nProgramPath=%s/\r\nCurrentSet=Shapes\r\nCurrentImage=%s\r\n' "$program" "$1"
    printf 'LastDate=1/1/2000\r\nChangeImage=0\r\nStretchWallpaper=1\r\nUseAllImages=0\r\n'
    printf "$catalogue"; } >"$ini"
}
write_control() {  # list position: 0 shows Wide, 1 shows Photo
  { printf '[ScreenSaver.QuillMark]\r\nProgramPath=%s/\r\nCurrentSet=Shapes\r\n' "$program"
    printf 'CurrentImageNumber=%s\r\nTimeBetween=5\r\nInMinutes=1\r\nTransition=0\r\n' "$1"
    printf 'ShowInterpretiveText=1\r\nInterpretiveTextLanguage=English\r\n'; } >"$windows/control.ini"
}

shot=$sandbox/shot.png
# The mean brightness (0..1) of a part of the last screenshot: WIDTHxHEIGHT+X+Y.
mean() { convert "$shot" -crop "$1" +repage -colorspace gray -format '%[fx:mean]' info:; }
# The colour of one pixel of the last screenshot, as #RRGGBB.
pixel() { convert "$shot" -crop "1x1+$1+$2" +repage -depth 8 txt:- | tail -n1 | grep -o '#[0-9A-F]\{6\}' | head -n1; }
# Whether a colour is near red, green or black.
is() {
  local r=$((16#${2:1:2})) g=$((16#${2:3:2})) b=$((16#${2:5:2}))
  case $1 in
    red) [ "$r" -gt 150 ] && [ "$g" -lt 90 ] && [ "$b" -lt 90 ] ;;
    green) [ "$g" -gt 130 ] && [ "$r" -lt 90 ] && [ "$b" -lt 120 ] ;;
    black) [ "$r" -lt 8 ] && [ "$g" -lt 8 ] && [ "$b" -lt 8 ] ;;
  esac
}
expect() {  # colour x y what
  local got
  got=$(pixel "$2" "$3")
  is "$1" "$got" || fail "$case: $4: pixel $2,$3 is $got, not $1"
}
# A picture of W x H (the picture's shape) fitted into a monitor MW x MH at MX: the view's
# left edge and width.
fit() {  # w h mw mh -> view width, view height
  local w=$1 h=$2 mw=$3 mh=$4
  if [ $((w * mh)) -ge $((h * mw)) ]; then echo "$mw $(((h * mw * 2 + w) / (w * 2)))"
  else echo "$(((w * mh * 2 + h) / (h * 2))) $mh"; fi
}

start_saver() {
  [ $# -gt 0 ] || set -- /s
  "$program/quillsav" "$@" >"$sandbox/saver.log" 2>&1 &
  saver_pid=$!
  for _ in $(seq 60); do
    sleep 0.25
    kill -0 "$saver_pid" 2>/dev/null || fail "$case: quillsav ended by itself: $(cat "$sandbox/saver.log")"
    import -window root "$shot" 2>/dev/null || continue
    awk -v m="$(mean "${mw}x${mh}+0+0")" 'BEGIN { exit !(m > 0.05) }' && { sleep 0.5; import -window root "$shot"; return 0; }
  done
  cp "$shot" "${QM_E2E_SHOTS:-$sandbox}/$case-black.png" 2>/dev/null || true
  fail "$case: the primary monitor stays black: $(cat "$sandbox/saver.log")"
}
end_saver() {
  xdotool key space
  for _ in $(seq 50); do kill -0 "$saver_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$saver_pid" 2>/dev/null && fail "$case: quillsav did not end on a key"
  wait "$saver_pid" || true
  saver_pid=
}

# One screen: GEOMETRY, then the monitors as WIDTH (all of the screen's height, side by side).
check_screen() {
  case=$1; shift
  local geometry=$1; shift
  local monitors=("$@")
  start_xvfb "${geometry}x24" || fail "$case: could not start Xvfb"
  mh=${geometry#*x}
  mw=${monitors[0]}
  if [ ${#monitors[@]} -gt 1 ]; then
    local x=0 i=0
    for w in "${monitors[@]}"; do
      # The first takes the place of the screen's own output.
      local output=none
      [ $i = 0 ] && output=screen
      xrandr --setmonitor "m$i" "$w/1x$mh/1+$x+0" "$output" >/dev/null || fail "$case: xrandr --setmonitor"
      x=$((x + w)); i=$((i + 1))
    done
  fi

  # The slideshow: 3:2 then 16:9, each centred on the primary monitor.
  write_config Wide
  rm -f "$windows/quillmrk.bmp"
  write_control 1
  start_saver
  read -r vw vh < <(fit 1500 1000 "$mw" "$mh")
  local x0=$(((mw - vw) / 2)) y0=$(((mh - vh) / 2))
  expect green $((x0 + 4)) $((mh / 2)) "the 3:2 picture's left edge"
  expect green $((x0 + vw - 5)) $((mh / 3)) "its right edge"
  if [ "$x0" -gt 8 ]; then
    expect black $((x0 - 5)) $((mh / 2)) "black left of it"
    expect black $((x0 + vw + 4)) $((mh / 2)) "and right of it"
  fi
  # The caption (the picture's name, white on a hatching) lies over the bottom of the
  # picture, in the middle of the view.
  awk -v m="$(mean "200x40+$((x0 + vw / 2 - 100))+$((y0 + vh - 40))")" -v p="$(mean "200x40+$((x0 + vw / 2 - 100))+$((y0 + vh / 2))")" \
    'BEGIN { exit !(m != p) }' || fail "$case: no caption at the bottom of the picture"
  if [ ${#monitors[@]} -gt 1 ]; then
    local rest=$((${geometry%x*} - mw))
    awk -v m="$(mean "${rest}x${mh}+${mw}+0")" 'BEGIN { exit !(m == 0) }' ||
      fail "$case: the other monitor is not black"
  fi
  [ -n "${QM_E2E_SHOTS:-}" ] && cp "$shot" "$QM_E2E_SHOTS/$case-saver-3x2.png"
  end_saver

  write_control 0
  start_saver
  read -r vw vh < <(fit 1600 900 "$mw" "$mh")
  x0=$(((mw - vw) / 2)); y0=$(((mh - vh) / 2))
  expect red $((x0 + 4)) $((y0 + 4)) "the 16:9 picture's top left"
  expect red $((x0 + vw - 5)) $((y0 + vh / 2)) "its right edge"
  [ "$y0" -gt 8 ] && expect black $((mw / 2)) $((y0 - 5)) "black above it"
  [ -n "${QM_E2E_SHOTS:-}" ] && cp "$shot" "$QM_E2E_SHOTS/$case-saver-16x9.png"
  end_saver

  # The wallpaper: sized for the largest monitor, centred on each.
  local largest=0
  for w in "${monitors[@]}"; do [ "$w" -gt "$largest" ] && largest=$w; done
  local picture
  for picture in Photo Wide; do
    if [ $picture = Photo ]; then write_config Wide; else write_config Photo; fi
    timeout 60 "$program/quillrun" || fail "$case: quillrun exited with $?"
    local pw ph colour
    if [ $picture = Photo ]; then read -r pw ph < <(fit 1500 1000 "$largest" "$mh"); colour=green
    else read -r pw ph < <(fit 1600 900 "$largest" "$mh"); colour=red; fi
    read -r width height < <(identify -format '%w %h\n' "$windows/quillmrk.bmp")
    [ "$width $height" = "$pw $ph" ] || fail "$case: the $picture bitmap is ${width}x$height, not ${pw}x$ph"
    import -window root "$shot"
    local left=0
    for w in "${monitors[@]}"; do
      local px=$((left + (w - pw) / 2)) py=$(((mh - ph) / 2))
      expect $colour $((px + 4)) $((mh / 2)) "$picture wallpaper's left edge on the monitor at $left"
      expect $colour $((px + pw - 5)) $((py + 4)) "its top right"
      [ "$px" -gt $((left + 8)) ] && expect black $((px - 5)) $((mh / 2)) "black left of it"
      [ "$py" -gt 8 ] && expect black $((px + pw / 2)) $((py - 5)) "black above it"
      left=$((left + w))
    done
    [ -n "${QM_E2E_SHOTS:-}" ] && cp "$shot" "$QM_E2E_SHOTS/$case-wallpaper-$picture.png"
  done
  stop_xvfb
  echo "ok: $case"
}

check_screen full-hd 1920x1080 1920
check_screen uhd 3840x2160 3840
check_screen two-monitors 3840x1080 1920 1920

# A display scaled by 2: the same placement, full screen and in a host's window.
case=scaled
start_xvfb 1920x1080x24 || fail "$case: could not start Xvfb"
mw=1920 mh=1080
write_config Wide
rm -f "$windows/quillmrk.bmp"
root=$(xwininfo -root | awk '/Window id/ { print $4 }')
for how in /s "-window-id $root"; do
  write_control 1
  # shellcheck disable=SC2086
  QT_SCALE_FACTOR=2 start_saver $how
  expect green 154 540 "$how: the 3:2 picture's left edge"
  expect black 145 540 "$how: black left of it"
  expect green 1765 100 "$how: its right edge"
  if [ "$how" = /s ]; then end_saver; else kill "$saver_pid"; wait "$saver_pid" || true; saver_pid=; fi
done
stop_xvfb
echo "ok: $case"
echo "PASS"
