# Shared by the end-to-end scripts on screen lockers: a program folder with a picture set,
# the idle watcher running the real slideshow, and looking at the screen. Source after
# scripts/lib/session.bash; the caller defines fail() and starts with lockers_begin (or with
# sandbox_session and lockers_programs of its own).

# lockers_begin BIN: a sandbox session holding the built programs, with an X server of its
# own; at exit whatever the test started (in `pids`, and the lockers' own) goes with it.
lockers_begin() {
  sandbox=$(mktemp -d)
  xvfb_pid=
  pids=()
  trap lockers_end EXIT
  sandbox_session "$sandbox"
  lockers_programs "$1"
  start_xvfb 640x480x24 || fail "Xvfb did not start"
}

lockers_end() {
  set +e  # a killed child's status must not cut the cleaning short
  lockers_cleanup
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$sandbox"
}

# lockers_programs BIN_DIR: the program folder (sandbox_programs) plus one set "Plain" of
# two bright pictures, the catalogue, and control.ini at list position 1.
lockers_programs() {
  sandbox_programs "$1"
  mkdir -p "$program/Plain" "$windows"
  convert -size 640x480 xc:'#E0C040' "$program/Plain/one.jpg"
  convert -size 640x480 xc:'#40C0E0' "$program/Plain/two.jpg"
  printf '[Config]\r\nProgramPath=%s/\r\nStretchWallpaper=0\r\n[SetDescriptions]\r\nPlain=Plain\\\r\n[Plain]\r\nOne=one\r\nTwo=two\r\n' \
    "$program" >"$program/quillmrk.ini"
  lockers_control "$windows/control.ini"
}

# lockers_control FILE: the saver's settings at list position 1, one picture a minute.
lockers_control() {
  printf '[ScreenSaver.QuillMark]\r\nProgramPath=%s/\r\nCurrentSet=Plain\r\nCurrentImageNumber=1\r\nTimeBetween=1\r\nInMinutes=1\r\nTransition=0\r\nShowInterpretiveText=0\r\n' \
    "$program" >"$1"
}

# lockers_watcher SECONDS: switches the screen saver on with that delay and starts the
# watcher. The saver it runs is the real quillsav behind a wrapper that notes each start
# in $sandbox/saver.log and its process id in $sandbox/saver.pid. Sets watcher_pid. The
# watcher runs as the user the array run_as switches to, when the caller sets one.
lockers_watcher() {
  local saver=$sandbox/saver.scr
  printf '#!/bin/sh\necho "$(date +%%s.%%N) $*" >>"%s/saver.log"\necho $$ >"%s/saver.pid"\nexec "%s/quillsav" "$@"\n' \
    "$sandbox" "$sandbox" "$program" >"$saver"
  chmod 755 "$saver"
  printf '[boot]\r\nSCRNSAVE.EXE=%s\r\n' "$saver" >"$windows/system.ini"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"ScreenSaveActive"="1"\r\n"ScreenSaveTimeOut"="%s"\r\n' \
    "$1" >"$windows/user.reg"
  ${run_as[@]+"${run_as[@]}"} "$program/quillidle" 2>>"$sandbox/watcher.log" &
  watcher_pid=$!
}

# lockers_saver_started: waits (10 s at most) until the watcher's slideshow is up and
# shows a picture; sets saver_pid.
lockers_saver_started() {
  local i
  for i in $(seq 100); do [ -s "$sandbox/saver.pid" ] && break; sleep 0.1; done
  [ -s "$sandbox/saver.pid" ] || fail "the watcher started no slideshow"
  saver_pid=$(cat "$sandbox/saver.pid")
  lockers_screen_shows_picture 10 || fail "the slideshow shows no picture"
}

# lockers_screen_shows_picture SECONDS: true once the screen is far from black.
lockers_screen_shows_picture() {
  local i mean=0
  for i in $(seq $(($1 * 4))); do
    if import -window root "$sandbox/shot.png" 2>/dev/null; then
      mean=$(convert "$sandbox/shot.png" -colorspace gray -format '%[fx:mean]' info:)
      awk -v m="$mean" 'BEGIN { exit !(m > 0.3) }' && return 0
    fi
    sleep 0.25
  done
  echo "screen mean stays $mean" >&2
  return 1
}

# lockers_alive PID: the process runs (an unreaped zombie does not count).
lockers_alive() {
  local state
  state=$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# lockers_ends_within PID TENTHS: true when the process is gone within that time.
lockers_ends_within() {
  local i
  for i in $(seq "$2"); do lockers_alive "$1" || return 0; sleep 0.1; done
  ! lockers_alive "$1"
}

# The watcher started by lockers_watcher, and what it started, end with the script: the
# slideshow first, and it is let finish writing its place before the sandbox goes.
lockers_cleanup() {
  if [ -s "$sandbox/saver.pid" ]; then
    local pid
    pid=$(cat "$sandbox/saver.pid")
    kill "$pid" 2>/dev/null && lockers_ends_within "$pid" 50
  fi
  [ -n "${watcher_pid:-}" ] && kill "$watcher_pid" 2>/dev/null && wait "$watcher_pid" 2>/dev/null
  return 0
}
