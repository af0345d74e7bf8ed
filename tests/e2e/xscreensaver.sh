#!/usr/bin/env bash
# The idle watcher and xscreensaver 6 under an X server of our own. The watcher's slideshow
# is up when xscreensaver's daemon starts: the watcher ends it at once (its place saved)
# and starts nothing more while the daemon runs; xscreensaver's lock then takes the
# keyboard; and quillsav, registered as a hack in ~/.xscreensaver, shows its pictures in
# xscreensaver's window. xscreensaver refuses to run as root and to lock for "nobody", so
# as root the script makes a system user of its own for it (and removes it afterwards).
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
fail() {
  echo "FAIL: $*" >&2
  for log in watcher.log xscreensaver.log; do
    [ -f "${sandbox:-}/$log" ] && { echo "--- $log" >&2; tail -n 40 "$sandbox/$log" >&2; }
  done
  exit 1
}

for tool in Xvfb xscreensaver xscreensaver-command import convert xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done
[ -x "$bin/quillidle" ] && [ -x "$bin/quillsav" ] || fail "quillidle and quillsav are not built in $bin"

sandbox=$(mktemp -d)
chmod 755 "$sandbox"  # xscreensaver's user runs the programs of this folder
xvfb_pid=
made_user=
user=$(id -un)
as_user=()
source "$(dirname "$0")/../../scripts/lib/session.bash"
source "$(dirname "$0")/../../scripts/lib/ini.bash"
source "$(dirname "$0")/lockers.bash"
xss_pid=
hack=
cleanup() {
  set +e  # a killed child's status must not cut the cleaning short
    [ -n "$xss_pid" ] && kill "$xss_pid" 2>/dev/null && wait "$xss_pid" 2>/dev/null
  # Left without its window the hack would linger; it saves its place before it goes.
  [ -n "$hack" ] && kill "$hack" 2>/dev/null && lockers_ends_within "$hack" 30
  lockers_cleanup
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  [ -n "$made_user" ] && userdel --force "$made_user" 2>/dev/null
  rm -rf "$sandbox"
}
trap cleanup EXIT

if [ "$(id -u)" -eq 0 ]; then
  user=qmlock$$
  command -v setpriv >/dev/null && command -v useradd >/dev/null || { echo "SKIP: no setpriv or useradd to leave root"; exit 0; }
  useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" 2>/dev/null ||
    { echo "SKIP: cannot make a user for xscreensaver"; exit 0; }
  made_user=$user
  as_user=(setpriv --reuid="$user" --regid="$user" --init-groups --)
fi

sandbox_session "$sandbox"
lockers_programs "$bin"

# xscreensaver's user: a home with quillsav as its only hack, and the slideshow's settings.
xss=$sandbox/xss
mkdir -p "$xss/.config/quillmark"
lockers_control "$xss/.config/quillmark/control.ini"
cat >"$xss/.xscreensaver" <<EOF
timeout: 0:30:00
lock: False
splash: False
fade: False
unfade: False
mode: one
selected: 0
programs: "QuillMark" $program/quillsav -root \\n\\
EOF
[ -n "$made_user" ] && chown -R "$user:" "$xss"

start_xvfb 640x480x24 || fail "Xvfb did not start"
xdotool mousemove 5 5

# 1. The watcher's slideshow runs (a 2-second delay) when xscreensaver starts.
lockers_watcher 2
lockers_saver_started
# A session of its own: on its way out xscreensaver signals its whole process group.
"${as_user[@]}" setsid env -i DISPLAY="$DISPLAY" HOME="$xss" PATH="$PATH" \
  xscreensaver -no-splash -verbose >"$sandbox/xscreensaver.log" 2>&1 &
xss_pid=$!
started=$(date +%s%N)
lockers_ends_within "$saver_pid" 50 || fail "the slideshow still runs 5 s after xscreensaver started"
ended_ms=$((($(date +%s%N) - started) / 1000000))
echo "the slideshow ended ${ended_ms} ms after xscreensaver was started"
[ "$(ini_get "$windows/control.ini" ScreenSaver.QuillMark CurrentImageNumber)" = 2 ] ||
  fail "the slideshow did not save its place: $(tr -d '\r' <"$windows/control.ini")"
grep -q "xscreensaver owns the screen" "$sandbox/watcher.log" || fail "the watcher did not say why it stood back"

# 2. Idle far past the delay with the daemon running: the watcher starts nothing.
sleep 4
[ "$(wc -l <"$sandbox/saver.log")" -eq 1 ] || fail "the watcher started a slideshow under xscreensaver"

# 3. The lock takes the keyboard, and the registered hack shows the slideshow in
#    xscreensaver's window.
"${as_user[@]}" env HOME="$xss" timeout 10 xscreensaver-command -lock >/dev/null || fail "xscreensaver-command -lock failed"
for _ in $(seq 50); do
  "${as_user[@]}" env HOME="$xss" timeout 5 xscreensaver-command -time 2>/dev/null | grep -q "locked" && break
  sleep 0.1
done
"${as_user[@]}" env HOME="$xss" timeout 5 xscreensaver-command -time | grep -q "locked" || fail "xscreensaver did not lock"
if grep -qi "couldn't grab\|locking aborted" "$sandbox/xscreensaver.log"; then fail "xscreensaver could not grab"; fi
for _ in $(seq 50); do pgrep -u "$user" -f "$program/quillsav" >/dev/null && break; sleep 0.1; done
hack=$(pgrep -u "$user" -f "$program/quillsav" | head -n1)
[ -n "$hack" ] || fail "xscreensaver did not run quillsav"
tr '\0' '\n' <"/proc/$hack/environ" | grep -q '^XSCREENSAVER_WINDOW=' || fail "the hack has no XSCREENSAVER_WINDOW"
lockers_screen_shows_picture 10 || fail "xscreensaver's window does not show the slideshow"
echo "hack: $(tr '\0' ' ' <"/proc/$hack/cmdline")"
[ "$(wc -l <"$sandbox/saver.log")" -eq 1 ] || fail "the watcher started a slideshow over the lock"
echo "PASS"
