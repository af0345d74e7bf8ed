#!/usr/bin/env bash
# Runs the idle watcher under an X server of its own with the screen saver switched on and
# a 60-second delay: the saver named in system.ini starts about 60 s after the last input,
# a second watcher does not start, no saver starts while a full-screen window holds the
# screen, and switching off removes the log-on entry and ends the watcher.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
fail() { echo "FAIL: $*" >&2; [ -f "${sandbox:-}/watcher.log" ] && cat "$sandbox/watcher.log" >&2; exit 1; }

[ -x "$bin/quillidle" ] || fail "quillidle is not built in $bin"
for tool in Xvfb xprop xdotool xmessage; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done

sandbox=$(mktemp -d)
xvfb_pid=
window_pid=
cleanup() {
  [ -f "$sandbox/saver.pid" ] && kill "$(cat "$sandbox/saver.pid")" 2>/dev/null
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null
  if [ -f "$sandbox/run/quillidle-:${display_number:-x}.lock" ]; then
    pid=$(cat "$sandbox/run/quillidle-:$display_number.lock" 2>/dev/null || true)
    [ -n "$pid" ] && [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$(readlink -f "$bin/quillidle")" ] &&
      kill "$pid" 2>/dev/null
  fi
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
sandbox_session "$sandbox"
windows=$XDG_CONFIG_HOME/quillmark
mkdir -p "$windows"

# The stand-in saver records when it started and with what, then runs until killed.
saver="$sandbox/stand in saver.scr"
printf '#!/bin/sh\necho "$(date +%%s) $*" >> "%s/saver.log"\necho $$ > "%s/saver.pid"\nexec sleep 1000\n' \
  "$sandbox" "$sandbox" >"$saver"
chmod 755 "$saver"
printf '[boot]\r\nSCRNSAVE.EXE=%s\r\n' "$saver" >"$windows/system.ini"
write_desktop_key() {
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"ScreenSaveActive"="%s"\r\n"ScreenSaveTimeOut"="60"\r\n' \
    "$1" >"$windows/user.reg.new"
  mv "$windows/user.reg.new" "$windows/user.reg"
}
write_desktop_key 1

# X server of our own; its own saver has the same 1-minute time-out, as switching the
# screen saver on arranges.
start_xvfb 640x480x24 -s 1 || fail "Xvfb did not start"

# Switching on inside a running session writes the entry and starts the watcher.
"$bin/quillidle" --enable 2>>"$sandbox/watcher.log" || fail "quillidle --enable failed"
entry=$XDG_CONFIG_HOME/autostart/quillidle.desktop
[ -f "$entry" ] || fail "no autostart entry"
grep -qxF "Exec=\"$(cd "$bin" && pwd)/quillidle\"" "$entry" || fail "the entry does not start quillidle: $(cat "$entry")"
lock=$XDG_RUNTIME_DIR/quillidle-:$display_number.lock
for _ in $(seq 1 200); do [ -s "$lock" ] && break; sleep 0.1; done
watcher=$(cat "$lock" 2>/dev/null || true)
[ -n "$watcher" ] && kill -0 "$watcher" 2>/dev/null || fail "the watcher did not start"
xdotool mousemove 10 10
start=$(date +%s)

# A second watcher for the same display gives way at once.
timeout 10 "$bin/quillidle" 2>"$sandbox/second.log" || fail "the second watcher failed"
grep -q "already runs" "$sandbox/second.log" || fail "the second watcher did not give way"

# About 60 s after the last input the saver starts, with "/s".
for _ in $(seq 1 90); do [ -s "$sandbox/saver.log" ] && break; sleep 1; done
[ -s "$sandbox/saver.log" ] || fail "no saver started within 90 s"
read -r started args <"$sandbox/saver.log"
delay=$((started - start))
[ "$delay" -ge 58 ] && [ "$delay" -le 70 ] || fail "the saver started after $delay s instead of about 60"
[ "$args" = "/s" ] || fail "the saver got \"$args\" instead of /s"
echo "saver started after $delay s"

# The user comes back: the saver ends, there is input. Then a full-screen window takes
# the screen (the active window with _NET_WM_STATE_FULLSCREEN) and nobody touches anything.
kill "$(cat "$sandbox/saver.pid")"
rm -f "$sandbox/saver.pid"
xmessage -title quillidle-fullscreen "film" &
window_pid=$!
wid=$(xdotool search --sync --name '^quillidle-fullscreen$' | head -n1)
xprop -id "$wid" -f _NET_WM_STATE 32a -set _NET_WM_STATE _NET_WM_STATE_FULLSCREEN
xprop -root -f _NET_ACTIVE_WINDOW 32c -set _NET_ACTIVE_WINDOW "$wid"
xdotool mousemove 30 30
sleep 68
[ "$(wc -l <"$sandbox/saver.log")" -eq 1 ] || fail "a saver started over the full-screen window"
kill -0 "$watcher" 2>/dev/null || fail "the watcher ended"

# Switching off: the platform's switch in user.reg, and the entry goes.
write_desktop_key 0
"$bin/quillidle" --disable || fail "quillidle --disable failed"
[ ! -e "$entry" ] || fail "the autostart entry is still there"
for _ in $(seq 1 100); do kill -0 "$watcher" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$watcher" 2>/dev/null; then fail "the watcher still runs after switching off"; fi
grep -q "switched off" "$sandbox/watcher.log" || fail "the watcher did not say why it ended"
echo "PASS"
