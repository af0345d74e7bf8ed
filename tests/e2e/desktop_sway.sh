#!/usr/bin/env bash
# A wlroots compositor: the real sway on its headless backend, no X at all. quillrun must
# find it, hand it each picture as a new file through swaymsg (sway then runs swaybg on
# it), and a screenshot through the compositor (grim) must show it centred on black.
source "$(dirname "$0")/desktop_common.bash"
need sway swaymsg swaybg grim

unset DISPLAY
# sway refuses to run as root; everything then runs as an unprivileged user.
if [ "$(id -u)" = 0 ]; then
  need setpriv
  chown -R 65534:65534 "$sandbox"
  run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
printf 'output * bg #000000 solid_color\n' >"$sandbox/sway.conf"
export WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman
start_in_background "${run_as[@]}" sway -c "$sandbox/sway.conf"
socket_up() { ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock && ls "$XDG_RUNTIME_DIR"/wayland-?; }
wait_until socket_up || fail "sway did not start: $(tail -n3 "$sandbox/desktop.log")"
SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock | head -n1)
WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-? | head -n1)")
export SWAYSOCK WAYLAND_DISPLAY
read -r width height < <("${run_as[@]}" swaymsg -t get_outputs -r |
  tr -d ' \n' | grep -o '"rect":{"x":0,"y":0,"width":[0-9]*,"height":[0-9]*' | head -n1 |
  sed 's/.*"width":\([0-9]*\),"height":\([0-9]*\)/\1 \2/')
[ -n "$width" ] || fail "sway reports no output"

# The screen as the compositor shows it.
screen_pixel() {
  "${run_as[@]}" grim "$XDG_RUNTIME_DIR/shot.png" &&
    convert "$XDG_RUNTIME_DIR/shot.png" -crop "1x1+$1+$2" +repage -depth 8 txt:- |
      tail -n1 | grep -o '#[0-9A-F]\{6\}' | head -n1
}
# The file the compositor's background client shows (sway starts it detached, so it is
# told from other sessions' by its file, which lies in this sandbox).
background_file() {
  local pid
  for pid in $(pgrep -x swaybg); do
    tr '\0' '\n' <"/proc/$pid/cmdline" 2>/dev/null | grep -A1 -x -- -i | tail -n1
  done | grep -F "$windows/" | head -n1
}

change_from One
first=$(desktop_copy)
wait_until test "$(background_file)" = "$first" || fail "swaybg shows '$(background_file)', not $first"
shows "${colours[1]}" "$width" "$height"

change_from Two
second=$(desktop_copy)
[ "$second" != "$first" ] && [ ! -e "$first" ] || fail "the first copy was reused or left behind"
wait_until test "$(background_file)" = "$second" || fail "swaybg shows '$(background_file)', not $second"
shows "${colours[2]}" "$width" "$height"
echo PASS
