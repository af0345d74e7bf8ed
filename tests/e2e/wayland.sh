#!/usr/bin/env bash
# The idle watcher in a Wayland session, where only the compositor knows about input: it
# takes the idle time from GNOME's idle monitor on the session bus, starts the slideshow
# after the delay, holds back while the session manager has an idle inhibitor, and gives
# way to GNOME's lock screen. Without such a service it says so and ends. GNOME Shell
# cannot run here: its bus services are a stand-in (tests/e2e/locker_stand_in.py gnome) on
# a private dbus-daemon, and an Xvfb stands for XWayland, where the slideshow shows.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
here=$(cd "$(dirname "$0")" && pwd)
fail() {
  echo "FAIL: $*" >&2
  for log in watcher.log gnome.log; do
    [ -f "${sandbox:-}/$log" ] && { echo "--- $log" >&2; tail -n 30 "$sandbox/$log" >&2; }
  done
  exit 1
}

for tool in Xvfb dbus-daemon gdbus import convert xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done
/usr/bin/python3 -c 'import dbus, gi' 2>/dev/null || { echo "SKIP: python3-dbus or python3-gi is missing"; exit 0; }
[ -x "$bin/quillidle" ] && [ -x "$bin/quillsav" ] || fail "quillidle and quillsav are not built in $bin"

source "$(dirname "$0")/../../scripts/lib/session.bash"
source "$(dirname "$0")/../../scripts/lib/ini.bash"
source "$(dirname "$0")/lockers.bash"
lockers_begin "$bin"
export WAYLAND_DISPLAY=wayland-quill-test XDG_SESSION_TYPE=wayland

# 1. No idle service on the session bus: the watcher says why and ends.
set +e
timeout 10 "$bin/quillidle" 2>"$sandbox/refused.log"
status=$?
set -e
[ "$status" -eq 1 ] && grep -q "Mutter.IdleMonitor" "$sandbox/refused.log" ||
  fail "without an idle service the watcher did not refuse ($status): $(cat "$sandbox/refused.log")"

dbus-daemon --session --nofork --address="unix:path=$sandbox/bus" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$sandbox/bus" ] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS="unix:path=$sandbox/bus"
/usr/bin/python3 "$here/locker_stand_in.py" gnome >"$sandbox/gnome.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q ready "$sandbox/gnome.log" 2>/dev/null && break; sleep 0.1; done
grep -q ready "$sandbox/gnome.log" || fail "the GNOME stand-in did not start"
gnome() { gdbus call --session --dest "$1" --object-path "$2" --method "$3" "${@:4}" >/dev/null; }
idle_reset() { gnome org.gnome.Mutter.IdleMonitor /org/gnome/Mutter/IdleMonitor/Core org.gnome.Mutter.IdleMonitor.Reset; }
inhibit() { gnome org.gnome.SessionManager /org/gnome/SessionManager org.gnome.SessionManager.Inhibit "$1"; }
shield() { gnome org.gnome.ScreenSaver /org/gnome/ScreenSaver "org.gnome.ScreenSaver.$1" "${@:2}"; }

# 2. The slideshow comes 2 s after the compositor's last input.
idle_reset
start=$(date +%s%N)
lockers_watcher 2
lockers_saver_started
read -r started _ <"$sandbox/saver.log"
after=$(awk -v s="$started" -v t="$start" 'BEGIN { printf "%d", s * 1000 - t / 1000000 }')
[ "$after" -ge 1800 ] && [ "$after" -le 5000 ] || fail "the slideshow started after $after ms instead of 2 s"
echo "the slideshow started $after ms after the last input"

# 3. GNOME's lock screen comes on: the slideshow ends within a second, its place saved,
#    and nothing starts while it is on.
shield Lock
lockers_ends_within "$saver_pid" 10 || fail "the slideshow still runs a second after the lock"
[ "$(ini_get "$windows/control.ini" ScreenSaver.QuillMark CurrentImageNumber)" = 2 ] ||
  fail "the slideshow did not save its place"
rm -f "$sandbox/saver.pid"
sleep 3
[ ! -s "$sandbox/saver.pid" ] || fail "a slideshow started while the lock screen was on"

# 4. Unlocked, but a film holds an idle inhibitor: still nothing; once it lets go, the
#    slideshow comes after a full delay.
inhibit true
shield SetActive false
sleep 3
[ ! -s "$sandbox/saver.pid" ] || fail "a slideshow started over an idle inhibitor"
inhibit false
lockers_saver_started
[ "$(wc -l <"$sandbox/saver.log")" -eq 2 ] || fail "$(wc -l <"$sandbox/saver.log") slideshows started instead of 2"
echo "PASS"
