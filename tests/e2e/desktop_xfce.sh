#!/usr/bin/env bash
# Xfce: the real xfdesktop (with xfconfd on a private session bus) covers the root window;
# quillrun's changes must reach xfdesktop's own settings for every monitor and workspace,
# each as a new file, and show on the screen.
source "$(dirname "$0")/desktop_common.bash"
need Xvfb import xprop xfdesktop xfconf-query dbus-daemon

start_xvfb || fail "could not start Xvfb"
start_bus
start_in_background xfdesktop --disable-wm-check
prefix=
found_prefix() {
  prefix=$(xfconf-query -c xfce4-desktop -l | grep '/last-image$' | head -n1)
  [ -n "$prefix" ]
}
wait_until found_prefix || fail "xfdesktop wrote no backdrop settings"
prefix=${prefix%last-image}
get() { xfconf-query -c xfce4-desktop -p "$prefix$1"; }
# Two workspaces, as a window manager would announce them; xfdesktop has written only one.
xprop -root -f _NET_NUMBER_OF_DESKTOPS 32c -set _NET_NUMBER_OF_DESKTOPS 2

change_from One
first=$(desktop_copy)
[ "$(get last-image)" = "$first" ] || fail "xfdesktop's last-image is $(get last-image), not $first"
[ "$(get image-style)" = 1 ] || fail "image-style is $(get image-style), not 1 (centred)"
[ "$(get color-style)" = 0 ] || fail "color-style is not 0 (solid)"
[ "$(get rgba1 | grep -E '^[0-9.]+$' | tr '\n' ' ')" = "0.000000 0.000000 0.000000 1.000000 " ] ||
  fail "rgba1 is not opaque black: $(get rgba1)"
shows "${colours[1]}"

change_from Two
second=$(desktop_copy)
[ "$second" != "$first" ] || fail "the second change reused the name $first"
[ ! -e "$first" ] || fail "the first copy was not removed"
[ "$(get last-image)" = "$second" ] || fail "last-image is $(get last-image), not $second"
shows "${colours[2]}"
# Every workspace of the monitor is set, not only the first.
xfconf-query -c xfce4-desktop -l | grep '/workspace1/last-image$' >/dev/null || fail "workspace 1 was not set"
for p in $(xfconf-query -c xfce4-desktop -l | grep '/last-image$'); do
  [ "$(xfconf-query -c xfce4-desktop -p "$p")" = "$second" ] || fail "$p was left alone"
done
kill -0 "${started[0]}" || fail "xfdesktop died"
echo PASS
