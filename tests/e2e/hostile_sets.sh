#!/usr/bin/env bash
# Image sets made by a stranger, installed and run as a user would: none may overwrite the
# suite's own settings or another set, show or read a file outside its folder, or point a
# program at code outside the program folder. The hostile sets are made here.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
tools=${QM_TOOLS_DIR:?QM_TOOLS_DIR is not set}
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$bin/quillsav" ] && [ -x "$tools/quillinst" ] || fail "quillsav or quillinst is not built"
if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null || ! command -v convert >/dev/null; then
  echo "SKIP: Xvfb, xdotool or ImageMagick is missing"
  exit 0
fi

sandbox=$(mktemp -d)
xvfb_pid=
saver_pid=
cleanup() {
  [ -n "$saver_pid" ] && kill "$saver_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
source "$(dirname "$0")/../../scripts/lib/ini.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"
reg=$windows/user.reg
crlf() { printf '%s\r\n' "$@"; }

# A set of the user's own, and a picture of theirs beside the program folder.
mkdir -p "$sandbox/src/Coast" "$sandbox/outside"
convert -size 320x240 xc:'#102040' "$sandbox/src/Coast/bay.jpg"
crlf '[SetDescriptions]' 'Coast=Coast\' '[Coast]' 'Bay=bay' >"$sandbox/src/Coast/images.ini"
"$tools/quillinst" "$program" "$sandbox/src/Coast" >/dev/null || fail "the user's set was not installed"
convert -size 320x240 xc:white "$sandbox/outside/secret.jpg"

# 1. Sets named after the suite's own sections, or after the user's set in another folder,
#    or placed in the user's set's folder, are refused and nothing is recorded or copied.
make_set() {  # folder name stored-folder picture-lines...
  local dir=$sandbox/src/$1
  mkdir -p "$dir"
  { crlf '[SetDescriptions]' "$2=$3" "[$2]"; shift 3; for line in "$@"; do crlf "$line"; done; } >"$dir/images.ini"
  convert -size 64x48 xc:red "$dir/evil.jpg"
}
before=$(cat "$reg")
make_set Config Config 'Evil\' 'ProgramPath=..\..\..\home\'
make_set Descr SetDescriptions 'Evil\' 'Coast=..\'
make_set Deleted 'Coast Deleted Images' 'Evil\' 'Bay=evil'
make_set Thief Thief 'Coast\' 'Bay=evil'
make_set Namesake coast 'Namesake\' 'Bay=evil'
for set in Config Descr Deleted Thief Namesake; do
  if "$tools/quillinst" "$program" "$sandbox/src/$set" 2>"$sandbox/inst.log" >/dev/null; then
    fail "the set in $set was installed"
  fi
  grep -q "quillinst: " "$sandbox/inst.log" || fail "no reason given for $set"
done
[ "$(cat "$reg")" = "$before" ] || fail "a refused set changed the registry"
[ ! -e "$program/Evil" ] || fail "a refused set was copied"
cmp -s "$sandbox/src/Coast/images.ini" "$program/Coast/images.ini" || fail "the user's set was overwritten"

# 2. A set whose file base climbs out of it installs with a warning, but neither quillrun
#    nor quillsav shows the picture outside.
make_set Escape Escape 'Escape\' 'Secret=..\..\outside\secret'
"$tools/quillinst" "$program" "$sandbox/src/Escape" >/dev/null 2>"$sandbox/inst.log" || fail "Escape not installed"
grep -q "outside the set folder" "$sandbox/inst.log" || fail "quillinst did not warn about the file base"
{ crlf '[Config]' "ProgramPath=$sandbox/outside/" 'CurrentSet=Escape' 'CurrentImage=' 'ChangeImage=0' \
    'LastDate=1/1/2000' '[SetDescriptions]' 'Coast=Coast\' 'Escape=Escape\' '[Coast]' 'Bay=bay' \
    '[Escape]' 'Secret=..\..\outside\secret'; } >"$program/quillmrk.ini"
(unset DISPLAY; "$program/quillrun") 2>"$sandbox/run.log" || true
grep -q "lies outside the set folder" "$sandbox/run.log" || fail "quillrun did not warn: $(cat "$sandbox/run.log")"
[ ! -e "$windows/quillmrk.bmp" ] || fail "quillrun decoded the picture outside the set"

# 3. The saver takes its program folder from itself: a published ProgramPath naming a
#    folder with a catalogue, a decoder and a NetJumper of a stranger's is not used.
mkdir -p "$sandbox/evil/Evil"
printf '#!/bin/sh\ntouch "%s/evil-ran"\n' "$sandbox" >"$sandbox/evil/NetJumper"
chmod +x "$sandbox/evil/NetJumper"
crlf '[NetJumper]' 'SSNetJumper=1' 'SSURL=http://www.example.org/evil' >"$sandbox/evil/Evil/company.ini"
convert -size 320x240 xc:white "$sandbox/evil/Evil/bright.jpg"
{ crlf '[Config]' "ProgramPath=$sandbox/evil/" '[SetDescriptions]' 'Escape=Evil\' '[Escape]' 'Secret=bright'; } >"$sandbox/evil/quillmrk.ini"
# The real NetJumper stands in for itself with a recorder, so the test can see it ran.
printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s/real-ran"\n' "$sandbox" >"$program/NetJumper"
crlf '[NetJumper]' 'SSNetJumper=1' 'SSURL=http://www.example.org/escape' >"$program/Escape/company.ini"
crlf '[ScreenSaver.QuillMark]' "ProgramPath=$sandbox/evil/" 'CurrentSet=Escape' 'CurrentImageNumber=0' \
  'TimeBetween=5' 'InMinutes=1' 'Transition=0' 'ShowInterpretiveText=0' >"$windows/control.ini"

start_xvfb || fail "could not start Xvfb"
"$program/quillsav" /s >"$sandbox/saver.log" 2>&1 &
saver_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Screen Saver$' | head -n1) ||
  fail "the saver window did not appear: $(cat "$sandbox/saver.log")"
sleep 1.5
import -window root "$sandbox/shot.png"
mean=$(convert "$sandbox/shot.png" -colorspace gray -format '%[fx:mean]' info:)
awk -v m="$mean" 'BEGIN { exit !(m < 0.02) }' || fail "the saver showed a picture from outside (mean $mean)"
xdotool key Escape
for _ in $(seq 50); do kill -0 "$saver_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$saver_pid" 2>/dev/null && fail "quillsav did not end on Escape"
wait "$saver_pid" || true
saver_pid=
for _ in $(seq 30); do [ -f "$sandbox/real-ran" ] && break; sleep 0.1; done
[ ! -e "$sandbox/evil-ran" ] || fail "the saver started the stranger's NetJumper"
[ "$(cat "$sandbox/real-ran" 2>/dev/null)" = "http://www.example.org/escape" ] ||
  fail "the program folder's NetJumper was not started with the set's link"
grep -q "lies outside the set folder" "$sandbox/saver.log" || fail "quillsav did not warn: $(cat "$sandbox/saver.log")"
echo "hostile sets: OK"
