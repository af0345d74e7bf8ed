#!/usr/bin/env bash
# Runs the built quillmrk in a sandbox under an X server of its own, right after the
# installer has added the sample sets (a "New Install" run): the user picks the second
# picture of the list and presses OK with the keyboard. Then the settings files, the
# registry file, the autostart entry and the wallpaper bitmap must say what was chosen.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
tools=${QM_TOOLS_DIR:?QM_TOOLS_DIR is not set}
samples=${QM_SAMPLES_DIR:?QM_SAMPLES_DIR is not set}
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$bin/quillmrk" ] || fail "quillmrk is not built in $bin"
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "SKIP: Xvfb or xdotool is missing"
  exit 0
fi
if [ ! -x "$tools/quillinst" ] || ! ls "$samples"/*/images.ini >/dev/null 2>&1; then
  echo "SKIP: the installer or the sample sets are not built"
  exit 0
fi

sandbox=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"

source "$(dirname "$0")/../../scripts/lib/ini.bash"

for dir in "$samples"/*/; do
  [ -f "$dir/images.ini" ] && "$tools/quillinst" "$program" "$dir" >/dev/null
done
grep -qi '"New Install"\|\\New Install\]' "$windows/user.reg" || fail "the installer wrote no New Install"
new_install=$(tr -d '\r' <"$windows/user.reg" | awk '/\\New Install\]/ { getline; print; exit }' | sed 's/^@="//; s/"$//; s/\\\\/\\/g')
new_set_folder=${new_install%\\}
new_set_folder=${new_set_folder%/}

# X server of our own, on a free display.
start_xvfb || fail "Xvfb did not start"

"$program/quillmrk" >"$sandbox/quillmrk.log" 2>&1 &
app_pid=$!
window=
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --name '^QuillMark Configuration$' 2>/dev/null | tail -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the sheet did not appear: $(cat "$sandbox/quillmrk.log")"
sleep 1
# The sheet's window may be made anew while it opens (adding the minimize box does that),
# so look it up again once it has settled.
window=$(xdotool search --onlyvisible --name '^QuillMark Configuration$' 2>/dev/null | tail -n1 || true)
[ -n "$window" ] || fail "the sheet went away: $(cat "$sandbox/quillmrk.log")"
xdotool windowfocus --sync "$window" 2>/dev/null || true
# Alt+W goes to the picture list ("&Wallpaper images"), Down picks its second picture,
# Enter presses OK.
xdotool key --delay 150 alt+w Down Return
for _ in $(seq 1 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then [ -n "${QM_E2E_SHOT:-}" ] && import -window root "$QM_E2E_SHOT"; fail "the sheet did not close on Enter"; fi
wait "$app_pid" || true
app_pid=

ini=$program/quillmrk.ini
set_name=$(ini_get "$ini" Config CurrentSet)
[ -n "$set_name" ] || fail "no CurrentSet written"
mapfile -t sorted < <(ini_keys "$ini" "$set_name" | LC_ALL=C sort -f)
[ ${#sorted[@]} -ge 2 ] || fail "the set $set_name has fewer than two pictures"
[ "$(ini_get "$ini" Config CurrentImage)" = "${sorted[1]}" ] ||
  fail "CurrentImage is '$(ini_get "$ini" Config CurrentImage)', expected '${sorted[1]}'"
[ "$(ini_get "$ini" Config ProgramPath)" = "$program/" ] || fail "ProgramPath not published in quillmrk.ini"
[ "$(ini_get "$ini" Config "Wallpaper Disabled")" = 0 ] || fail "Wallpaper Disabled is not 0"
[ "$(ini_get "$ini" Config ChangeImage)" = 0 ] || fail "ChangeImage is not 0"
[[ "$(ini_get "$ini" Config LastDate)" =~ ^[0-9]+/[0-9]+/[0-9]{4}$ ]] || fail "LastDate is not month/day/year"

control=$windows/control.ini
[ "$(ini_get "$control" ScreenSaver.QuillMark ProgramPath)" = "$program/" ] || fail "ProgramPath not in control.ini"
[ "$(ini_get "$control" ScreenSaver.QuillMark InterpretiveTextLanguage)" = English ] || fail "control.ini defaults missing"
[ "$(ini_get "$control" ScreenSaver.QuillMark Transition)" = 1 ] || fail "control.ini Transition missing"

reg=$windows/user.reg
tr -d '\r' <"$reg" | grep -A1 -F '\ProgramPath]' | grep -qF "@=\"$program/\"" || fail "ProgramPath not in the registry"
if tr -d '\r' <"$reg" | grep -A1 -F '\New Install]' | grep -q '^@='; then fail "New Install is still set after OK"; fi

entry="$XDG_CONFIG_HOME/autostart/QuillMark Wallpaper Changer.desktop"
[ -f "$entry" ] || fail "no autostart entry"
grep -qxF "Exec=\"$program/quillrun\"" "$entry" || fail "autostart entry does not start quillrun: $(cat "$entry")"

bitmap=$windows/quillmrk.bmp
[ -s "$bitmap" ] || fail "no wallpaper bitmap"
[ "$(head -c 2 "$bitmap")" = BM ] || fail "the wallpaper is no bitmap file"
[ "$(ini_get "$windows/win.ini" Desktop Wallpaper)" = "$bitmap" ] || fail "win.ini does not name the wallpaper"
echo "quillmrk end-to-end: OK ($set_name / ${sorted[1]}; new install from $new_set_folder)"
