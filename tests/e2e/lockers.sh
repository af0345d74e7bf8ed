#!/usr/bin/env bash
# The idle watcher gives way to lockers, under an X server of our own with private buses:
# a desktop lock screen on the session bus, logind's lock request, and xss-lock with
# i3lock. Each time the watcher's slideshow is showing; it must end within a second of
# the lock (its place saved), start nothing while the lock holds, and i3lock must get the
# keyboard. The lock screen service and logind are stand-ins (tests/e2e/locker_stand_in.py;
# no desktop or systemd runs here); dbus-daemon, xss-lock and i3lock are the real ones.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
here=$(cd "$(dirname "$0")" && pwd)
fail() {
  echo "FAIL: $*" >&2
  for log in watcher.log screensaver.log logind.log xss-lock.log; do
    [ -f "${sandbox:-}/$log" ] && { echo "--- $log" >&2; tail -n 30 "$sandbox/$log" >&2; }
  done
  exit 1
}

for tool in Xvfb dbus-daemon gdbus xss-lock i3lock xset import convert xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done
/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { echo "SKIP: python3-dbus or python3-gi is missing"; exit 0; }
[ -x "$bin/quillidle" ] && [ -x "$bin/quillsav" ] || fail "quillidle and quillsav are not built in $bin"

source "$(dirname "$0")/../../scripts/lib/session.bash"
source "$(dirname "$0")/../../scripts/lib/ini.bash"
source "$(dirname "$0")/lockers.bash"
lockers_begin "$bin"
xdotool mousemove 5 5

# A private bus at a socket of the sandbox; the stand-in named by $2 serves on it.
start_bus() {
  dbus-daemon --session --nofork --address="unix:path=$sandbox/$1" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -S "$sandbox/$1" ] && break; sleep 0.1; done
  DBUS_SESSION_BUS_ADDRESS="unix:path=$sandbox/$1" /usr/bin/python3 "$here/locker_stand_in.py" "$2" \
    >"$sandbox/$2.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do grep -q ready "$sandbox/$2.log" 2>/dev/null && break; sleep 0.1; done
  grep -q ready "$sandbox/$2.log" || fail "the $2 stand-in did not start"
}
start_bus session screensaver
start_bus system logind
export DBUS_SESSION_BUS_ADDRESS="unix:path=$sandbox/session"
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$sandbox/system"

# lock_ends_slideshow WHAT COMMAND...: with the slideshow showing, runs the command that
# locks and checks that the slideshow ends within a second, having saved its place.
lock_ends_slideshow() {
  local what=$1
  shift
  lockers_saver_started
  local started=$(date +%s%N)
  "$@" >/dev/null || fail "$what: the lock request failed"
  lockers_ends_within "$saver_pid" 10 || fail "$what: the slideshow still runs a second after the lock"
  echo "$what: the slideshow ended $((($(date +%s%N) - started) / 1000000)) ms after the lock request"
  [ "$(ini_get "$windows/control.ini" ScreenSaver.QuillMark CurrentImageNumber)" = 2 ] ||
    fail "$what: the slideshow did not save its place"
  rm -f "$sandbox/saver.pid"
  lockers_control "$windows/control.ini"  # the next slideshow starts at the same place
}

lockers_watcher 2

# 1. The desktop's lock screen comes on: the slideshow ends, and nothing starts while it
#    is on; when it goes off, the slideshow comes again after the delay.
ss=(gdbus call --session --dest org.freedesktop.ScreenSaver --object-path /org/freedesktop/ScreenSaver)
lock_ends_slideshow "lock screen" "${ss[@]}" --method org.freedesktop.ScreenSaver.Lock
sleep 3
[ ! -s "$sandbox/saver.pid" ] || fail "a slideshow started while the lock screen was on"
"${ss[@]}" --method org.freedesktop.ScreenSaver.SetActive false >/dev/null

# 2. logind asks the session to lock (loginctl lock-session).
session=(gdbus call --system --dest org.freedesktop.login1 --object-path /org/freedesktop/login1/session/_31)
lock_ends_slideshow "logind" "${session[@]}" --method org.freedesktop.login1.Session.Lock

# 2b. A lock request without a slideshow, when nothing then locks, does not put the next
#     one off by a whole delay; while a locker says the session is locked, none starts.
sleep 1
asked=$(date +%s%N)
"${session[@]}" --method org.freedesktop.login1.Session.Lock >/dev/null
lockers_saver_started
started=$(tail -n1 "$sandbox/saver.log" | cut -d' ' -f1)
after=$(awk -v s="$started" -v t="$asked" 'BEGIN { printf "%d", s * 1000 - t / 1000000 }')
[ "$after" -lt 1500 ] || fail "the slideshow came $after ms after a lock request that locked nothing"
"${session[@]}" --method org.freedesktop.login1.Session.SetLockedHint true >/dev/null
lockers_ends_within "$saver_pid" 10 || fail "the slideshow still runs a second after the session was locked"
rm -f "$sandbox/saver.pid"
sleep 3
[ ! -s "$sandbox/saver.pid" ] || fail "a slideshow started while the session was locked"
"${session[@]}" --method org.freedesktop.login1.Session.SetLockedHint false >/dev/null

# 3. xss-lock starts while the slideshow shows: the slideshow ends, nothing starts again,
#    and when the X server's saver comes on (its time-out is the same 2 s) xss-lock's
#    i3lock takes the keyboard and stays.
lockers_saver_started
xset s 2
xss-lock -v -- i3lock -n >"$sandbox/xss-lock.log" 2>&1 &
pids+=($!)
lockers_ends_within "$saver_pid" 30 || fail "xss-lock: the slideshow still runs 3 s after xss-lock started"
rm -f "$sandbox/saver.pid"
for _ in $(seq 60); do pgrep -P "${pids[-1]}" -x i3lock >/dev/null && break; sleep 0.1; done
locker=$(pgrep -P "${pids[-1]}" -x i3lock || true)
[ -n "$locker" ] || fail "xss-lock did not run i3lock"
sleep 2
kill -0 "$locker" 2>/dev/null || fail "i3lock ended: $(cat "$sandbox/xss-lock.log")"
if grep -q "Cannot grab" "$sandbox/xss-lock.log"; then fail "i3lock could not grab"; fi
[ ! -s "$sandbox/saver.pid" ] || fail "a slideshow started under xss-lock"
grep -q "xss-lock owns the screen" "$sandbox/watcher.log" || fail "the watcher did not say it stood back for xss-lock"
[ "$(wc -l <"$sandbox/saver.log")" -eq 4 ] || fail "$(wc -l <"$sandbox/saver.log") slideshows started instead of 4"
echo "PASS"
