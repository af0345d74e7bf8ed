#!/bin/bash
# NetJumper end to end: the built program under its own X server, answered with the
# keyboard; a recording "xdg-open" first on PATH shows which address reached the opener.
set -u
BIN="${QM_BIN_DIR:?}/NetJumper"
[ -x "$BIN" ] || { echo "missing $BIN"; exit 1; }

SANDBOX=$(mktemp -d)
XVFB_PID=""
cleanup() {
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  rm -rf "$SANDBOX"
}
trap cleanup EXIT
export HOME="$SANDBOX/home" XDG_CONFIG_HOME="$SANDBOX/config"
export XDG_RUNTIME_DIR="$SANDBOX/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$SANDBOX/bin" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
LOG="$SANDBOX/opens.log"
cat > "$SANDBOX/bin/xdg-open" <<SCRIPT
#!/bin/sh
printf '%s|%s\n' "\$#" "\$*" >> "$LOG"
SCRIPT
chmod +x "$SANDBOX/bin/xdg-open"
export PATH="$SANDBOX/bin:$PATH"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
REG="$XDG_CONFIG_HOME/quillmark/user.reg"

# A display number nobody uses.
for n in $(seq 70 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then DISPLAY_NUMBER=$n; break; fi
done
Xvfb ":$DISPLAY_NUMBER" -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 1 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits for NetJumper's window, gives it the focus and types the keys.
answer() {
  local wid
  wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^Quillmark NetJumper$" | head -1)
  [ -n "$wid" ] || { fail "no window for: $*"; return; }
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
  sleep 0.3
  for key in "$@"; do xdotool key "$key"; sleep 0.3; done
}
opened() { [ -f "$LOG" ] && cat "$LOG"; }
wait_for_log_lines() {
  for _ in $(seq 1 100); do
    [ "$(opened | wc -l)" -ge "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# 1. Asked; Enter presses Yes; the address with blanks is one argument.
timeout 30 "$BIN" "http://example.com/a b" &
pid=$!
answer Return
wait $pid
wait_for_log_lines 1 || fail "Yes opened nothing"
[ "$(opened)" = "1|http://example.com/a b" ] || fail "opened: $(opened)"

# 2. Alt+D ticks "Don't show this prompt again" (stored at once), Escape says No.
timeout 30 "$BIN" "http://second.example/" &
pid=$!
answer alt+d Escape
wait $pid
grep -q '"DontShowNetJumpConfirm"=dword:00000001' "$REG" 2>/dev/null || fail "value not stored: $(cat "$REG" 2>/dev/null)"
sleep 0.5
[ "$(opened | wc -l)" -eq 1 ] || fail "No opened something: $(opened)"

# 3. Told not to ask: opens at once, without a window.
timeout 30 "$BIN" "www.third.example"
wait_for_log_lines 2 || fail "the address was not opened without a question"
[ "$(opened | tail -1)" = "1|http://www.third.example" ] || fail "opened: $(opened | tail -1)"

# 4. Not a web page: refused with a message (even though the question is off), nothing opens.
timeout 30 "$BIN" "file:///etc/passwd" &
pid=$!
answer Return
wait $pid
sleep 0.5
[ "$(opened | wc -l)" -eq 2 ] || fail "a refused address was opened: $(opened)"

[ "$failures" -eq 0 ] && echo "netjumper: all passed"
exit "$failures"
