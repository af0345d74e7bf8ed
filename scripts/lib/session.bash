# The session that the end-to-end scripts and the road run the programs in: a sandbox
# standing for the user's home and desktop, and an X server of its own.

# sandbox_session ROOT [CONFIG_HOME]: HOME, XDG_CONFIG_HOME (ROOT/config unless given) and
# a private XDG_RUNTIME_DIR inside ROOT; the variables that would lead a program to the
# real desktop session are unset.
sandbox_session() {
  sandbox_root=$1
  export HOME=$1/home XDG_CONFIG_HOME=${2:-$1/config} XDG_RUNTIME_DIR=$1/run
  unset XDG_CURRENT_DESKTOP DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER WAYLAND_DISPLAY \
    XDG_SESSION_TYPE XSCREENSAVER_WINDOW QT_QPA_PLATFORM
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
}

# start_xvfb [GEOMETRY [XVFB OPTION...]]: an X server on a display nobody uses, named by
# Xvfb itself once it is ready (-noreset keeps the root pixmap when the last client
# leaves). Sets xvfb_pid, display_number and DISPLAY; false when no server comes up.
start_xvfb() {
  local geometry=${1:-1024x768x24}
  shift || true
  exec 3< <(exec Xvfb -displayfd 1 -noreset "$@" -screen 0 "$geometry" -nolisten tcp 2>/dev/null)
  xvfb_pid=$!
  read -r -t 20 display_number <&3 || return 1
  export DISPLAY=:$display_number
}

# sandbox_programs BIN_DIR: a program folder ROOT/program holding copies of the built
# programs and the decoder, as an installation has them. Sets program and windows (the
# settings folder inside XDG_CONFIG_HOME). Call after sandbox_session.
sandbox_programs() {
  program=$sandbox_root/program
  windows=$XDG_CONFIG_HOME/quillmark
  mkdir -p "$program"
  cp -a "$1"/. "$program"/
}
