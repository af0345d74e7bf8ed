#!/usr/bin/env bash
# MATE: the real caja draws the desktop from org.mate.background (through dconf on a
# private session bus) and cross-fades from the old root pixmap on every change. Ten
# changes in a row must each reach the setting as a new file, show on the screen, and leave
# caja running.
source "$(dirname "$0")/desktop_common.bash"
need Xvfb import caja gsettings dbus-daemon xdotool
gsettings list-keys org.mate.background >/dev/null 2>&1 || { echo "SKIP: no MATE schemas"; exit 0; }

start_xvfb || fail "could not start Xvfb"
start_bus
start_in_background caja --force-desktop --no-default-window
wait_until xdotool search --classname desktop_window || fail "caja drew no desktop window"
caja_pid=${started[0]}
setting() { gsettings get org.mate.background "$1"; }

names=(One Two Three)
previous=
for i in $(seq 0 9); do
  change_from "${names[$((i % 3))]}"
  copy=$(desktop_copy)
  [ "$copy" != "$previous" ] || fail "change $((i + 1)) reused $copy"
  [ "$(setting picture-filename)" = "'$copy'" ] || fail "change $((i + 1)): picture-filename is $(setting picture-filename)"
  sleep 0.3  # inside caja's cross-fade when the next change comes
  kill -0 "$caja_pid" 2>/dev/null || fail "caja died at change $((i + 1)): $(tail -n3 "$sandbox/desktop.log")"
  previous=$copy
done
[ "$(setting picture-options)" = "'centered'" ] || fail "picture-options is $(setting picture-options)"
# Ten changes from One stepped to Two, Three, One, ...: the last one shows Two.
shows "${colours[1]}"
kill -0 "$caja_pid" || fail "caja died"
echo PASS
