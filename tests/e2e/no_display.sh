#!/usr/bin/env bash
# quillrun and NetJumper where nobody can see a window: no DISPLAY, a DISPLAY that does not
# answer, and a Wayland session this system cannot set. They must not abort, must record
# what they can, say in one line what was not done, and never wait on a question.
source "$(dirname "$0")/desktop_common.bash"
need python3

# A Wayland display that answers (a listening socket) but is no known desktop.
python3 -c 'import socket,sys,time; s=socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(8); time.sleep(120)' \
  "$XDG_RUNTIME_DIR/wayland-quill" &
started+=($!)
wait_until test -S "$XDG_RUNTIME_DIR/wayland-quill" || fail "no socket"

# quill_run WHERE STATUS ENV...: a due change; quillrun must step on, record, say in one
# line that the picture was not shown, and end with STATUS: 0 when there was no display
# to show it on, 1 when a desktop was there but could not be set.
quill_run() {
  local where=$1 status=$2 rc=0
  shift 2
  rm -f "$bitmap"
  set_config One 1/1/2000 0
  env -u DISPLAY -u WAYLAND_DISPLAY "$@" timeout 30 "$program/quillrun" 2>"$sandbox/err" || rc=$?
  [ "$rc" = "$status" ] || fail "$where: quillrun exited with $rc, not $status: $(cat "$sandbox/err")"
  [ "$(grep -c . "$sandbox/err")" = 1 ] && grep -q '^quillrun: ' "$sandbox/err" ||
    fail "$where: not one line on stderr: $(cat "$sandbox/err")"
  [ "$(ini_get "$ini" Config CurrentImage)" = Two ] || fail "$where: the change was not recorded"
  [ "$(ini_get "$windows/win.ini" Desktop Wallpaper)" = "$bitmap" ] || fail "$where: win.ini has no wallpaper"
  [ "$(head -c2 "$bitmap")" = BM ] || fail "$where: no bitmap written"
}
quill_run "no DISPLAY" 0
grep -q 'no display' "$sandbox/err" || fail "no DISPLAY: $(cat "$sandbox/err")"
quill_run "unreachable DISPLAY" 0 DISPLAY=:249
quill_run "Wayland only" 1 WAYLAND_DISPLAY=wayland-quill
grep -q 'Wayland desktop.*cannot be set' "$sandbox/err" || fail "Wayland only: $(cat "$sandbox/err")"
# Nothing due and nothing to show it on: nothing lost, nothing to say.
set_config Two "$(date +%-m/%-d/%Y)" 0
env -u DISPLAY timeout 30 "$program/quillrun" 2>"$sandbox/err" || fail "quillrun failed with nothing due"
[ ! -s "$sandbox/err" ] || fail "quillrun spoke with nothing due: $(cat "$sandbox/err")"

# NetJumper: a recording opener first on PATH.
mkdir -p "$sandbox/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s"\n' "$sandbox/opened" >"$sandbox/bin/xdg-open"
chmod +x "$sandbox/bin/xdg-open"
for where in "-u DISPLAY" "DISPLAY=:249" "-u DISPLAY WAYLAND_DISPLAY=wayland-quill"; do
  rc=0
  # shellcheck disable=SC2086
  env $where PATH="$sandbox/bin:$PATH" timeout 20 "$program/NetJumper" "http://example.com/" \
    2>"$sandbox/err" || rc=$?
  [ "$rc" = 1 ] || fail "NetJumper ($where) exited with $rc, not 1: $(cat "$sandbox/err")"
  grep -q 'not opened' "$sandbox/err" || fail "NetJumper ($where) said: $(cat "$sandbox/err")"
done
[ ! -e "$sandbox/opened" ] || fail "NetJumper opened a page nobody agreed to: $(cat "$sandbox/opened")"
# Told not to ask, it opens without a display as well.
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quillmark Corporation\\Quillmark Configuration]\r\n"DontShowNetJumpConfirm"=dword:00000001\r\n' \
  >"$windows/user.reg"
env -u DISPLAY PATH="$sandbox/bin:$PATH" timeout 20 "$program/NetJumper" "www.example.com" ||
  fail "NetJumper failed to open when told not to ask"
wait_until grep -qx 'http://www.example.com' "$sandbox/opened" || fail "nothing opened"
echo PASS
