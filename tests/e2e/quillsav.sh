#!/usr/bin/env bash
# Runs the built quillsav full screen in a sandbox under an X server of its own, on a
# program folder holding a sample set: a picture is shown, a key or a wheel turn ends the
# saver, and the list position is written back; Escape hands the set's screen-saver link to
# NetJumper. Started the ways hack hosts start it (xscreensaver's spellings and options), it
# draws in the window they name and saves its place when they end it.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
tools=${QM_TOOLS_DIR:-}
samples=${QM_SAMPLES_DIR:-}
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$bin/quillsav" ] || fail "quillsav is not built in $bin"
[ -f "$bin/djpeg32.so" ] || fail "the decoder is not built in $bin"
for tool in Xvfb xprop xdotool xwininfo xsetroot import convert; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done

sandbox=$(mktemp -d)
xvfb_pid=
saver_pid=
cleanup() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null && wait "$saver_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"
mkdir -p "$windows"

source "$(dirname "$0")/../../scripts/lib/ini.bash"

# One set: a generated sample installed as the installer does, else one made here.
ini=$program/quillmrk.ini
sample=
if [ -x "$tools/quillinst" ] && [ -d "$samples" ]; then
  for dir in "$samples"/*/; do
    [ -f "$dir/images.ini" ] && { sample=$dir; break; }
  done
fi
if [ -n "$sample" ]; then
  "$tools/quillinst" "$program" "$sample" >/dev/null
  catalogue=$sample/images.ini
else
  echo "note: no installer or samples; arranging one set by hand"
  mkdir -p "$program/Plain"
  convert -size 640x480 gradient:'#204080-#E0C040' "$program/Plain/one.jpg"
  convert -size 800x600 xc:'#30A050' "$program/Plain/two.jpg"
  printf '[NetJumper]\r\nSSNetJumper=1\r\nSSURL=http://www.example.org/saver\r\n' >"$program/Plain/company.ini"
  catalogue=$sandbox/images.ini
  printf '[SetDescriptions]\r\nPlain=Plain\\\r\n[Plain]\r\nOne=one\r\nTwo=two\r\n' >"$catalogue"
fi
{ printf '[Config]\r\nProgramPath=%s/\r\nStretchWallpaper=1\r\n' "$program"; cat "$catalogue"; } >"$ini"

set_name=$(ini_keys "$ini" SetDescriptions | head -n1)
mapfile -t pictures < <(ini_keys "$ini" "$set_name")
[ ${#pictures[@]} -ge 2 ] || fail "set $set_name has fewer than two pictures"
set_folder=$(ini_get "$ini" SetDescriptions "$set_name")
set_folder=${set_folder//\\//}; set_folder=${set_folder%/}
ss_url=$(ini_get "$program/$set_folder/company.ini" NetJumper SSURL)

control=$windows/control.ini
write_control() {  # list position
  printf '[ScreenSaver.QuillMark]\r\nProgramPath=%s/\r\nCurrentSet=%s\r\nCurrentImageNumber=%s\r\n' \
    "$program" "$set_name" "$1" >"$control"
  printf 'TimeBetween=5\r\nInMinutes=1\r\nTransition=0\r\nShowInterpretiveText=0\r\n' >>"$control"
}

# An X server of our own, on a free display number.
start_xvfb || fail "could not start Xvfb"

# Starts the saver (with /s unless told otherwise) and waits until it shows a picture.
start_saver() {
  [ $# -gt 0 ] || set -- /s
  "$program/quillsav" "$@" >"$sandbox/saver.log" 2>&1 &
  saver_pid=$!
  local mean=0
  for _ in $(seq 40); do
    sleep 0.25
    kill -0 "$saver_pid" 2>/dev/null || fail "quillsav ended by itself: $(cat "$sandbox/saver.log")"
    import -window root "$sandbox/shot.png" 2>/dev/null || continue
    mean=$(convert "$sandbox/shot.png" -colorspace gray -format '%[fx:mean]' info:)
    awk -v m="$mean" 'BEGIN { exit !(m > 0.05) }' && return 0
  done
  fail "the screen stays black (mean $mean)"
}
# Presses a key (or turns the wheel, "wheel") and waits for the saver to end.
end_with() {
  if [ "$1" = wheel ]; then xdotool click 5; else xdotool key "$1"; fi
  for _ in $(seq 50); do
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$saver_pid" 2>/dev/null && fail "quillsav did not end on $1"
  wait "$saver_pid" || fail "quillsav ended with an error"
  saver_pid=
}

# 1. The second picture of the list is shown; a key ends the saver; the position moves on.
write_control 1
start_saver
end_with space
[ "$(ini_get "$control" ScreenSaver.QuillMark CurrentImageNumber)" = 2 ] ||
  fail "CurrentImageNumber is $(ini_get "$control" ScreenSaver.QuillMark CurrentImageNumber), not 2"
[ "$(ini_get "$control" ScreenSaver.QuillMark CurrentImageName)" = "${pictures[1]}" ] ||
  fail "CurrentImageName is not ${pictures[1]}"

# 2. Past the end of the list the saver starts over; Escape hands the link to NetJumper.
rm -f "$program/NetJumper"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s/launched.tmp"\nmv "%s/launched.tmp" "%s/launched"\n' \
  "$sandbox" "$sandbox" "$sandbox" >"$program/NetJumper"
chmod +x "$program/NetJumper"
write_control 999
start_saver
end_with Escape
[ "$(ini_get "$control" ScreenSaver.QuillMark CurrentImageNumber)" = 1 ] || fail "position not 1"
[ "$(ini_get "$control" ScreenSaver.QuillMark CurrentImageName)" = "${pictures[0]}" ] ||
  fail "CurrentImageName is not ${pictures[0]}"
if [ -n "$ss_url" ] && [ "$ss_url" != NotFound ]; then
  for _ in $(seq 30); do [ -f "$sandbox/launched" ] && break; sleep 0.1; done
  [ "$(cat "$sandbox/launched" 2>/dev/null)" = "$ss_url" ] || fail "NetJumper was not given $ss_url"
fi
# 3. A turn of the mouse wheel ends the saver as a button does.
write_control 1
start_saver
end_with wheel

# 4. The spellings of xscreensaver and other hack hosts, with the options they add, draw
#    in the window they name (here the root window) until the host ends the saver.
root=$(xwininfo -root | awk '/Window id:/ { print $4 }')
for spelling in "-window-id $root -install -visual default -fps" "--window-id=$root --no-fps" \
                "--root -visual default -install"; do
  write_control 1
  xsetroot -solid black  # the root's own pattern would pass for a picture
  # shellcheck disable=SC2086  # the options are words
  XSCREENSAVER_WINDOW=$root start_saver $spelling
  kill "$saver_pid"
  wait "$saver_pid" || fail "quillsav $spelling did not end cleanly on SIGTERM"
  saver_pid=
  [ "$(ini_get "$control" ScreenSaver.QuillMark CurrentImageNumber)" = 2 ] || fail "quillsav $spelling did not save its place"
done
echo "quillsav: OK"
