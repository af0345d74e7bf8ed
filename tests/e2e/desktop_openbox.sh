#!/usr/bin/env bash
# A bare window manager (the real openbox): the wallpaper is the root window's background,
# which dies with the X server. At the next log-on quillrun must put the recorded picture
# back even when no change is due, and with the manual schedule too.
source "$(dirname "$0")/desktop_common.bash"
need Xvfb import openbox xprop

session() {
  start_xvfb || fail "could not start Xvfb"
  start_in_background openbox --sm-disable
  wait_until xprop -root _NET_SUPPORTING_WM_CHECK || fail "openbox did not start"
}
end_session() {
  kill "${started[@]}" "$xvfb_pid" 2>/dev/null || true
  wait "${started[@]}" "$xvfb_pid" 2>/dev/null || true
  started=() xvfb_pid=
}

session
change_from One
[ -z "$(find "$windows" -name 'quillmrk-*.bmp')" ] || fail "a copy was made for the root window"
xprop -root _XROOTPMAP_ID | grep 'pixmap id #' >/dev/null || fail "_XROOTPMAP_ID is not set"
shows "${colours[1]}"

# Log off and on again: a new X server, nothing shown, no change due today.
end_session
session
shows_nothing() { close "$(screen_pixel 512 384)" '#000000'; }
shows_nothing || fail "the new X server is not black"
today=$(date +%-m/%-d/%Y)
set_config Two "$today" 0
cp "$ini" "$sandbox/before.ini"
timeout 30 "$program/quillrun" || fail "quillrun exited with $? when no change was due"
cmp -s "$ini" "$sandbox/before.ini" || fail "quillrun changed quillmrk.ini with no change due"
shows "${colours[1]}"

# The same after another log-on with the manual schedule.
end_session
session
set_config Two 1/1/2000 3
timeout 30 "$program/quillrun" || fail "quillrun exited with $? on the manual schedule"
shows "${colours[1]}"
echo PASS
