#!/usr/bin/env bash
# The idle watcher on a Wayland desktop without GNOME's idle monitor: the real sway on its
# headless backend, which tells idle time only through its compositor protocol (sway 1.7:
# KDE's org_kde_kwin_idle). Keys typed through the compositor's virtual keyboard (wtype)
# hold the slideshow off; it comes the delay after the last key, full screen over the
# whole output as the compositor shows it (XWayland), and a key ends it. A window holding
# an idle inhibitor keeps it off; a screen locker comes over it and takes the keys.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
fail() {
  echo "FAIL: $*" >&2
  for log in watcher.log sway.log; do
    [ -f "${sandbox:-}/$log" ] && { echo "--- $log" >&2; tail -n 20 "$sandbox/$log" >&2; }
  done
  exit 1
}
for tool in sway swaymsg Xwayland xev wtype grim convert setsid; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done
[ -x "$bin/quillidle" ] && [ -x "$bin/quillsav" ] || fail "quillidle and quillsav are not built in $bin"

source "$(dirname "$0")/../../scripts/lib/session.bash"
source "$(dirname "$0")/../../scripts/lib/ini.bash"
source "$(dirname "$0")/lockers.bash"
sandbox=$(mktemp -d)
pids=()
run_as=()
cleanup() {
  set +e
  lockers_cleanup
  local p
  # sway leads a process group of its own: its XWayland and helpers go with it.
  for p in "${pids[@]}"; do kill -- "-$p" 2>/dev/null || kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT
sandbox_session "$sandbox"
lockers_programs "$bin"
unset DISPLAY
# sway refuses to run as root; then everything of the session runs as an unprivileged user.
if [ "$(id -u)" = 0 ]; then
  command -v setpriv >/dev/null || { echo "SKIP: setpriv is missing"; exit 0; }
  chown -R 65534:65534 "$sandbox"
  run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
printf 'output * bg #FFFFFF solid_color\nbar {\n position top\n}\nexec sh -c "echo $DISPLAY >%s/x-display"\n' "$XDG_RUNTIME_DIR" >"$sandbox/sway.conf"
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  setsid "${run_as[@]}" sway -c "$sandbox/sway.conf" >"$sandbox/sway.log" 2>&1 &
pids+=($!)
for _ in $(seq 150); do
  [ -s "$XDG_RUNTIME_DIR/x-display" ] && ls "$XDG_RUNTIME_DIR"/wayland-? >/dev/null 2>&1 && break
  sleep 0.1
done
[ -s "$XDG_RUNTIME_DIR/x-display" ] || fail "sway did not start"
WAYLAND_DISPLAY=$(basename "$(ls "$XDG_RUNTIME_DIR"/wayland-? | head -n1)")
DISPLAY=$(cat "$XDG_RUNTIME_DIR/x-display")
export WAYLAND_DISPLAY DISPLAY XDG_SESSION_TYPE=wayland

# The compositor's view of the output: brightness at the top left (in the panel), the
# bottom left (background) and the centre.
screen() {
  "${run_as[@]}" grim "$XDG_RUNTIME_DIR/shot.png" 2>/dev/null &&
    convert "$XDG_RUNTIME_DIR/shot.png" -colorspace gray -format '%[fx:p[2,2]] %[fx:p[2,h-3]] %[fx:p[w/2,h/2]]\n' info:
}
# The keyboard is attached a moment before the key, as a real one would have been.
type_key() { "${run_as[@]}" wtype -s 300 -k space -s 100; }

# A white background and a panel at the top (swaybar, on the compositor's top layer).
for _ in $(seq 40); do
  read -r top bottom centre < <(screen) || true
  awk -v t="${top:-0}" -v b="${bottom:-0}" 'BEGIN { exit !(t != b && b > 0.9) }' && break
  sleep 0.25
done
awk -v t="${top:-0}" -v b="${bottom:-0}" 'BEGIN { exit !(t != b && b > 0.9) }' || fail "sway shows no panel over a white background (top $top, bottom $bottom)"

# 1. Keys for some seconds, each within a second of the last: no slideshow, though the
#    delay is 2 s.
lockers_watcher 2
for _ in $(seq 8); do sleep 0.5; type_key; done
last_key=$(($(date +%s%N) - 100000000))
grep -q "idle time from org_kde_kwin_idle" "$sandbox/watcher.log" || fail "the watcher does not use sway's idle protocol"
[ ! -s "$sandbox/saver.pid" ] || fail "the slideshow started while keys were typed"

# 2. It comes about 2 s after the last key, over everything on the output.
for _ in $(seq 100); do [ -s "$sandbox/saver.pid" ] && break; sleep 0.1; done
[ -s "$sandbox/saver.pid" ] || fail "the watcher started no slideshow"
saver_pid=$(cat "$sandbox/saver.pid")
read -r started _ <"$sandbox/saver.log"
after=$(awk -v s="$started" -v t="$last_key" 'BEGIN { printf "%d", s * 1000 - t / 1000000 }')
[ "$after" -ge 1800 ] && [ "$after" -le 5000 ] || fail "the slideshow started $after ms after the last key instead of 2 s"
echo "the slideshow started $after ms after the last key"
shown=
for _ in $(seq 40); do
  read -r top bottom centre < <(screen) || true
  awk -v t="${top:-1}" -v b="${bottom:-1}" -v c="${centre:-0}" 'BEGIN { exit !(t < 0.1 && b < 0.1 && c > 0.5) }' && { shown=1; break; }
  sleep 0.25
done
[ -n "$shown" ] || fail "the slideshow does not cover the panel and the background (top $top, bottom $bottom, centre $centre)"

# 3. A key typed through the compositor ends it, and it saves its place.
sed -i 's/"ScreenSaveTimeOut"="2"/"ScreenSaveTimeOut"="4"/' "$windows/user.reg"
sleep 1
type_key
lockers_ends_within "$saver_pid" 30 || fail "the slideshow still runs 3 s after a key"
[ "$(ini_get "$windows/control.ini" ScreenSaver.QuillMark CurrentImageNumber)" = 2 ] || fail "the slideshow did not save its place"
read -r top bottom centre < <(screen) || true
awk -v b="${bottom:-0}" 'BEGIN { exit !(b > 0.9) }' || fail "the background does not show again after the slideshow ($bottom)"

# 4. A window that inhibits idling (as a video player does): sway holds its idle notice
#    back, so nothing starts; once the window has gone, the slideshow comes again. (The
#    delay grows to 4 s first, time enough to open the window after the key.)
rm -f "$sandbox/saver.pid"
SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.*.sock | head -n1)
export SWAYSOCK
"${run_as[@]}" xev -name film >/dev/null 2>&1 &
film=$!
pids+=($film)
for _ in $(seq 50); do "${run_as[@]}" swaymsg '[title="^film$"] inhibit_idle open' >/dev/null 2>&1 && break; sleep 0.1; done
"${run_as[@]}" swaymsg '[title="^film$"] inhibit_idle open' >/dev/null || fail "sway does not take the film's idle inhibitor"
sleep 6
[ ! -s "$sandbox/saver.pid" ] || fail "a slideshow started over an idle inhibitor"
kill "$film"
for _ in $(seq 100); do [ -s "$sandbox/saver.pid" ] && break; sleep 0.1; done
[ -s "$sandbox/saver.pid" ] || fail "no slideshow once the idle inhibitor had gone"

# 5. A screen locker (swaylock) comes over the running slideshow and takes the keys; once
#    it has gone (ended here: nobody can type the password of this user), a key ends the
#    slideshow again.
if command -v swaylock >/dev/null; then
  saver_pid=$(cat "$sandbox/saver.pid")
  "${run_as[@]}" swaylock -c FF0000 >/dev/null 2>&1 &
  locker=$!
  pids+=($locker)
  red() {
    "${run_as[@]}" grim "$XDG_RUNTIME_DIR/shot.png" 2>/dev/null &&
      convert "$XDG_RUNTIME_DIR/shot.png" -format '%[fx:p[w/2,h/2].r > 0.9 && p[w/2,h/2].g < 0.1]' info: | grep -qx 1
  }
  for _ in $(seq 40); do red && break; sleep 0.25; done
  red || fail "swaylock does not show over the slideshow"
  type_key
  sleep 1
  lockers_alive "$saver_pid" && kill -0 "$locker" || fail "a key under the locker reached the slideshow"
  kill "$locker"
  sleep 0.5
  type_key
  lockers_ends_within "$saver_pid" 30 || fail "the slideshow still runs 3 s after a key once the locker had gone"
fi
echo PASS
