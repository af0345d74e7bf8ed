# Shared by the desktop_*.sh end-to-end scripts: a sandbox session with its own X server
# (and, where a desktop needs one, its own session bus), one image set of three plain
# pictures, and quillrun driven through quillmrk.ini. The pictures are smaller than the
# screen and not stretched, so a desktop that centres them on black shows the picture's
# colour in the middle and black in the corners.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
fail() { echo "FAIL: $*" >&2; exit 1; }
need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
  done
}
need convert

sandbox=$(mktemp -d)
xvfb_pid=
bus_pid=
started=()
cleanup() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$sandbox"
}
trap cleanup EXIT
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/lib/session.bash"
source "$here/../../scripts/lib/ini.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"
ini=$program/quillmrk.ini
bitmap=$windows/quillmrk.bmp

# A session bus of our own; the desktops' services (xfconfd, dconf) start on it by name.
start_bus() {
  local out=$sandbox/bus.address
  dbus-daemon --session --fork --nopidfile --print-address=3 --print-pid=4 \
    --address="unix:path=$XDG_RUNTIME_DIR/bus" 3>"$out" 4>"$sandbox/bus.pid"
  DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$out")
  bus_pid=$(head -n1 "$sandbox/bus.pid")
  export DBUS_SESSION_BUS_ADDRESS
  [ -n "$DBUS_SESSION_BUS_ADDRESS" ] || fail "no session bus"
}

# start_in_background COMMAND...: a desktop component, ended with the script.
start_in_background() {
  "$@" >>"$sandbox/desktop.log" 2>&1 &
  started+=($!)
}

# waits up to 15 s for COMMAND to succeed
wait_until() {
  local i
  for i in $(seq 150); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}

mkdir -p "$program/Plain"
colours=('#C03020' '#2050D0' '#30B050')
convert -size 320x240 "xc:${colours[0]}" "$program/Plain/one.jpg"
convert -size 320x240 "xc:${colours[1]}" "$program/Plain/two.jpg"
convert -size 320x240 "xc:${colours[2]}" "$program/Plain/three.jpg"
printf '[SetDescriptions]\r\nPlain=Plain\\\r\n[Plain]\r\nOne=one\r\nTwo=two\r\nThree=three\r\n' >"$ini"

# set_config CURRENT-PICTURE LAST-DATE INTERVAL (0 daily ... 3 manual)
set_config() {
  local rest
  rest=$(tr -d '\r' <"$ini" | awk '/^[ \t]*\[/ { skip = (tolower($0) ~ /^[ \t]*\[config\]/) } !skip')
  { printf '[Config]\r\nCurrentSet=Plain\r\nCurrentImage=%s\r\nLastDate=%s\r\nChangeImage=%s\r\n' "$1" "$2" "$3"
    printf 'StretchWallpaper=0\r\nUseAllImages=0\r\n'
    printf '%s\n' "$rest" | sed 's/$/\r/'; } >"$ini.new"
  mv "$ini.new" "$ini"
}

# What runs the programs: empty, or a switch to another user (sway will not run as root).
run_as=()

# quillrun with a change due: the picture after CURRENT-PICTURE becomes the wallpaper.
change_from() {
  set_config "$1" 1/1/2000 0
  timeout 30 "${run_as[@]}" "$program/quillrun" || fail "quillrun exited with $? (change after $1)"
}

# The desktop's copy of the bitmap: exactly one, a quillmrk-<n>.bmp equal to quillmrk.bmp.
desktop_copy() {
  local copies
  copies=$(find "$windows" -maxdepth 1 -name 'quillmrk-*.bmp' | sort)
  [ "$(printf '%s\n' "$copies" | grep -c .)" = 1 ] || fail "desktop copies: ${copies:-none}"
  cmp -s "$copies" "$bitmap" || fail "the desktop's copy differs from quillmrk.bmp"
  printf '%s\n' "$copies"
}

# screen_pixel X Y: the colour the screen shows there, as #RRGGBB.
screen_pixel() {
  import -window root -crop "1x1+$1+$2" +repage -depth 8 txt:- | tail -n1 | grep -o '#[0-9A-F]\{6\}' | head -n1
}

# close COLOUR COLOUR: equal within what JPEG and the desktop's drawing change.
close() {
  local a=${1#\#} b=${2#\#} i d
  for i in 0 2 4; do
    d=$(( 16#${a:$i:2} - 16#${b:$i:2} ))
    [ "${d#-}" -le 24 ] || return 1
  done
}

# shows COLOUR [WIDTH HEIGHT]: the middle of the screen shows the colour and a corner is
# black; waits up to 10 s for the desktop to redraw.
shows() {
  local w=${2:-1024} h=${3:-768} centre corner i
  for i in $(seq 50); do
    centre=$(screen_pixel $((w / 2)) $((h / 2)))
    corner=$(screen_pixel 5 5)
    if [ -n "$centre" ] && close "$centre" "$1" && close "$corner" '#000000'; then return 0; fi
    sleep 0.2
  done
  fail "the screen shows $centre in the middle and $corner in the corner, not $1 on black"
}
