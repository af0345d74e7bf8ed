#!/usr/bin/env bash
# LXDE: the real pcmanfm draws the desktop (pcmanfm --desktop); quillrun's changes must go
# through pcmanfm's own --set-wallpaper, each as a new file, and show on the screen.
source "$(dirname "$0")/desktop_common.bash"
need Xvfb import pcmanfm dbus-daemon xdotool

start_xvfb || fail "could not start Xvfb"
start_bus
start_in_background pcmanfm --desktop
wait_until xdotool search --class pcmanfm || fail "pcmanfm drew no desktop window"
settings=$XDG_CONFIG_HOME/pcmanfm/default/desktop-items-0.conf
setting() { tr -d '\r' <"$settings" | sed -n "s/^$1=//p" | head -n1; }

change_from One
first=$(desktop_copy)
wait_until grep -qxF "wallpaper=$first" "$settings" ||
  fail "pcmanfm's wallpaper is $(setting wallpaper), not $first"
[ "$(setting wallpaper_mode)" = center ] || fail "wallpaper_mode is $(setting wallpaper_mode)"
shows "${colours[1]}"

change_from Two
second=$(desktop_copy)
[ "$second" != "$first" ] && [ ! -e "$first" ] || fail "the first copy was reused or left behind"
wait_until grep -qxF "wallpaper=$second" "$settings" || fail "pcmanfm's wallpaper is $(setting wallpaper)"
shows "${colours[2]}"
kill -0 "${started[0]}" || fail "pcmanfm died"
echo PASS
