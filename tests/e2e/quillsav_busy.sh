#!/usr/bin/env bash
# The saver ends within about a second of a key or a mouse move even while its decoder is
# stuck: here a picture is a named pipe, so the decoder waits for ever on opening it. Once
# at start-up (before the saver window is up) and in the middle of the show. The decoding
# child must be gone, and the list position is written back as after any run.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$bin/quillsav" ] || fail "quillsav is not built in $bin"
for tool in Xvfb xdotool convert pgrep; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done

sandbox=$(mktemp -d)
xvfb_pid=
saver_pid=
cleanup() {
  if [ -n "$saver_pid" ]; then
    # A stuck decoding child would otherwise wait on the pipe for ever.
    pkill -9 -P "$saver_pid" 2>/dev/null || true
    kill -9 "$saver_pid" 2>/dev/null || true
    wait "$saver_pid" 2>/dev/null || true
  fi
  [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
  rm -rf "$sandbox"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
source "$(dirname "$0")/../../scripts/lib/ini.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"
mkdir -p "$windows" "$program/Plain"

convert -size 640x480 gradient:'#204080-#E0C040' "$program/Plain/one.jpg"
mkfifo "$program/Plain/two.jpg"
printf '[Config]\r\nProgramPath=%s/\r\nStretchWallpaper=1\r\n[SetDescriptions]\r\nPlain=Plain\\\r\n[Plain]\r\nOne=one\r\nTwo=two\r\n' \
  "$program" >"$program/quillmrk.ini"
control=$windows/control.ini
write_control() {  # list position
  printf '[ScreenSaver.QuillMark]\r\nProgramPath=%s/\r\nCurrentSet=Plain\r\nCurrentImageNumber=%s\r\n' \
    "$program" "$1" >"$control"
  printf 'TimeBetween=1\r\nInMinutes=0\r\nTransition=0\r\nShowInterpretiveText=0\r\n' >>"$control"
}

start_xvfb || fail "could not start Xvfb"

# Starts the saver and waits until it has been decoding (one child of it, seen twice half
# a second apart) for a while.
start_stuck_saver() {
  "$program/quillsav" /s >"$sandbox/saver.log" 2>&1 &
  saver_pid=$!
  child=
  local seen=
  for _ in $(seq 40); do
    sleep 0.5
    kill -0 "$saver_pid" 2>/dev/null || fail "quillsav ended by itself: $(cat "$sandbox/saver.log")"
    seen=$(pgrep -P "$saver_pid" | head -n1 || true)
    [ -n "$seen" ] && [ "$seen" = "$child" ] && return 0
    child=$seen
  done
  fail "quillsav never got stuck decoding"
}
# Presses a key (or moves the mouse); the saver and its decoding child must be gone
# within about a second.
end_with_input() {
  local start end
  start=$(date +%s%N)
  if [ "$2" = mouse ]; then xdotool mousemove_relative 40 0; else xdotool key space; fi
  for _ in $(seq 100); do
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.05
  done
  end=$(date +%s%N)
  kill -0 "$saver_pid" 2>/dev/null && fail "quillsav still runs 5 s after the $2 ($1)"
  wait "$saver_pid" || fail "quillsav ended with an error ($1)"
  saver_pid=
  local ms=$(((end - start) / 1000000))
  echo "$1: ended ${ms} ms after the $2"
  [ "$ms" -le 1500 ] || fail "quillsav took $ms ms to end ($1)"
  kill -0 "$child" 2>/dev/null && fail "the decoding child $child is still there ($1)"
  [ "$(ini_get "$control" ScreenSaver.QuillMark CurrentImageNumber)" = 2 ] ||
    fail "position not written back ($1)"
}

# 1. The first picture is the stuck one: the decoder hangs before the window is up.
write_control 1
start_stuck_saver
end_with_input "stuck at start-up" key

# 2. The first picture shows; a second later the stuck one is fetched. A key ends it,
# and so does a mouse move.
write_control 2
start_stuck_saver
end_with_input "stuck in the show" key
write_control 2
start_stuck_saver
end_with_input "stuck in the show" mouse
echo "quillsav_busy: OK"
