#!/usr/bin/env bash
# quillrun loads no toolkit and no desktop library of its own, and still shows the
# panorama error as a real message box (quillmsg) that a key closes: here under an X
# server of its own, with a panorama the decoder cannot read.
set -euo pipefail

bin=${QM_BIN_DIR:?QM_BIN_DIR is not set}
fail() { echo "FAIL: $*" >&2; exit 1; }

[ -x "$bin/quillrun" ] || fail "quillrun is not built in $bin"
needed=$(ldd "$bin/quillrun")
for library in libQt6 libX11 libgio libfontconfig; do
  ! grep -q "$library" <<<"$needed" || fail "quillrun loads $library at start"
done
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 0; }
done

sandbox=$(mktemp -d)
xvfb_pid=
run_pid=
cleanup() {
  [ -n "$run_pid" ] && { pkill -P "$run_pid" 2>/dev/null; kill "$run_pid" 2>/dev/null; } || true
  [ -n "$xvfb_pid" ] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; } || true
  rm -rf "$sandbox"
}
trap cleanup EXIT
source "$(dirname "$0")/../../scripts/lib/session.bash"
sandbox_session "$sandbox"
sandbox_programs "$bin"
start_xvfb 1024x768x24 || fail "no X server"

mkdir -p "$program/Wide"
printf 'not a picture' >"$program/Wide/wide.jpg"
printf '[Panoramic]\r\nPanoramicOrigin=10\r\n' >"$program/Wide/wide.nfo"
printf '[Config]\r\nCurrentSet=Wide\r\nCurrentImage=Wide\r\nLastDate=1/1/2000\r\nChangeImage=0\r\nStretchWallpaper=1\r\n[SetDescriptions]\r\nWide=Wide\\\r\n[Wide]\r\nWide=wide\r\n' \
  >"$program/quillmrk.ini"

"$program/quillrun" 2>"$sandbox/stderr" &
run_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^QuillMark Configuration$' | head -n1) ||
  fail "no message box came up: $(cat "$sandbox/stderr")"
kill -0 "$run_pid" 2>/dev/null || fail "quillrun did not wait for the answer"
xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
sleep 0.3
xdotool key Return
for _ in $(seq 50); do kill -0 "$run_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$run_pid" 2>/dev/null && fail "the message box did not close on Enter"
wait "$run_pid" || true
run_pid=
grep -q 'Error loading the wallpaper' "$sandbox/stderr" && fail "the message went to stderr instead of a window"
echo "PASS"
