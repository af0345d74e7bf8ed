#!/usr/bin/env bash
# quillmrk's Screen Saver page drives the saver: after a new install the user switches the
# screen saver on, chooses "All Image Sets" and seconds, and presses OK. control.ini,
# system.ini and the registry must say so, and quillsav must then walk all sets
# interleaved, a picture every second.
set -euo pipefail
bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
tools=${QM_TOOLS_DIR:?QM_TOOLS_DIR is not set}
samples=${QM_SAMPLES_DIR:?QM_SAMPLES_DIR is not set}
fail() { echo "FAIL: $*" >&2; exit 1; }

sandbox=$(mktemp -d)
xvfb_pid=
cleanup() {
  pkill -f "^$sandbox/program/" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"
for dir in "$samples"/*/; do
  [ -f "$dir/images.ini" ] && "$tools/quillinst" "$program" "$dir" >/dev/null
done

source "$(dirname "$0")/../../scripts/lib/ini.bash"
find_sheet() {
  for _ in $(seq 100); do
    w=$(xdotool search --onlyvisible --name '^QuillMark Configuration$' 2>/dev/null | tail -n1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

start_xvfb || fail "Xvfb did not start"

"$program/quillmrk" >"$sandbox/quillmrk.log" 2>&1 &
app_pid=$!
find_sheet >/dev/null || fail "the sheet did not appear: $(cat "$sandbox/quillmrk.log")"
sleep 1
sheet=$(find_sheet) || fail "the sheet went away"
xdotool windowfocus --sync "$sheet" 2>/dev/null || true
xdotool mousemove --window "$sheet" 130 23 click 1   # the Screen Saver tab
sleep 1
# On; the set chooser ("&Image set to use:") to its first entry, "All Image Sets"; seconds.
xdotool key --delay 200 alt+o alt+i Home alt+s
sleep 0.5
xdotool key Return
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the sheet did not close on OK"

control=$windows/control.ini
section=ScreenSaver.QuillMark
[ "$(ini_get "$control" $section UseAllImages)" = 1 ] || fail "UseAllImages is not 1"
[ "$(ini_get "$control" $section InMinutes)" = 0 ] || fail "InMinutes is not 0"
[ "$(ini_get "$control" $section CurrentImageNumber)" = 1 ] || fail "CurrentImageNumber is not 1 after apply"
saver=$(ini_get "$windows/system.ini" boot SCRNSAVE.EXE)
[ "$saver" = "$windows/Quillmark Screen Saver.scr" ] || fail "SCRNSAVE.EXE is '$saver'"
tr -d '\r' <"$windows/user.reg" | grep -q '"ScreenSaveActive"="1"' || fail "the screen saver is not switched on"
between=$(ini_get "$control" $section TimeBetween)

# The combined list: the first pictures of all sets, then the second ones, and so on.
ini=$program/quillmrk.ini
mapfile -t sets < <(ini_keys "$ini" SetDescriptions)
combined=()
for i in $(seq 0 50); do
  for s in "${sets[@]}"; do
    mapfile -t pics < <(ini_keys "$ini" "$s")
    [ "$i" -lt "${#pics[@]}" ] && combined+=("$s~${pics[$i]}")
  done
done
[ ${#combined[@]} -gt 2 ] || fail "the combined list is too short"

# No wallpaper on the desktop, so the saver starts from its list.
rm -f "$windows/quillmrk.bmp"
run_saver() {  # seconds to let it run
  "$windows/Quillmark Screen Saver.scr" /s >"$sandbox/saver.log" 2>&1 &
  local pid=$!
  sleep "$1"
  kill -0 "$pid" 2>/dev/null || fail "quillsav ended by itself: $(cat "$sandbox/saver.log")"
  xdotool key space
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "quillsav did not end on a key"
  number=$(ini_get "$control" $section CurrentImageNumber)
  name=$(ini_get "$control" $section CurrentImageName)
}
expect_entry() {  # position of the entry last shown
  local entry=${combined[$1]}
  [ "$number" = $(($1 + 1)) ] || fail "CurrentImageNumber is $number, expected $(($1 + 1))"
  [ "$name" = "$entry" ] || [ "$name" = "${entry#*~}" ] ||
    fail "CurrentImageName is '$name', expected '$entry'"
}
# Position 1 of the combined list is the first picture of the second set.
run_saver 3
expect_entry 1
# From position 2 (the second picture of the first set, no panorama) the show moves on
# after TimeBetween seconds; counted in minutes it would still be there.
run_saver $((between + 6))
expect_entry 3
echo "PASS: all sets interleaved, a picture every $between seconds"
