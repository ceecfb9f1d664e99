# Sourced by the end-to-end scripts; the start-up of first_window.sh as a
# function. start_xvfb OUT_DIR SECONDS [SCREEN] starts Xvfb on a display it
# picks itself (-displayfd: the server binds the first free number and
# sends it back on fd 3), under timeout so it cannot outlive a killed
# script, then exports DISPLAY for Qt's xcb platform and sets xvfb_pid.
# The caller defines fail() and stops xvfb_pid at exit.
#
# -noreset: by default the server resets whenever its last client leaves,
# and a client connecting during the reset is refused ("could not connect
# to display"); the scripts' own xdotool and xwd calls leave all the time,
# often just as the program starts.
#
# Nothing here falls back to an inherited DISPLAY: the number must come from
# our own server, whose lock file must name it, and a client must reach it;
# a server that loses its number to another one (two scripts at once under
# ctest -j, or another session's server) is replaced by a new one.
start_xvfb() {
  local out=$1 seconds=$2 screen=${3:-1024x768x24} attempt
  unset DISPLAY WAYLAND_DISPLAY
  for attempt in 1 2 3; do
    if _xvfb_try "$out" "$seconds" "$screen"; then
      export QT_QPA_PLATFORM=xcb
      return 0
    fi
    echo "start_xvfb: attempt $attempt: $_xvfb_error" >>"$out/xvfb-start.log"
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  done
  fail "no display of our own: $_xvfb_error"
}

_xvfb_error=
# _xvfb_try OUT SECONDS SCREEN: 0 with DISPLAY exported when the server is
# up, owns the number it gave and answers; else 1 with $_xvfb_error.
_xvfb_try() {
  local out=$1 seconds=$2 screen=$3 number server end
  rm -f "$out/display"
  timeout -k 2 "$seconds" Xvfb -displayfd 3 -noreset -screen 0 "$screen" -nolisten tcp \
    3>"$out/display" 2>>"$out/xvfb.log" &
  xvfb_pid=$!
  end=$((SECONDS + 30))
  # The number is written with its newline once the server is ready.
  until grep -q '^[0-9][0-9]*$' "$out/display" 2>/dev/null; do
    kill -0 "$xvfb_pid" 2>/dev/null || { _xvfb_error="Xvfb exited at start"; return 1; }
    [ "$SECONDS" -lt "$end" ] || { _xvfb_error="Xvfb gave no display number within 30 s"; return 1; }
    sleep 0.1
  done
  number=$(head -n 1 "$out/display")
  server=$(pgrep -P "$xvfb_pid" -x Xvfb | head -n 1 || true)
  [ -n "$server" ] || { _xvfb_error="Xvfb gave :$number and exited"; return 1; }
  # With -displayfd the server writes no lock file; the listening socket
  # in the abstract namespace, which every session on the machine shares,
  # shows who holds the number.
  owns_display "$server" "$number" ||
    { _xvfb_error=":$number is not held by our Xvfb $server"; return 1; }
  export DISPLAY=":$number"
  end=$((SECONDS + 30))
  until xdotool getdisplaygeometry >/dev/null 2>&1; do
    kill -0 "$server" 2>/dev/null || { _xvfb_error="Xvfb on :$number exited"; return 1; }
    [ "$SECONDS" -lt "$end" ] || { _xvfb_error="no client reaches :$number within 30 s"; return 1; }
    sleep 0.1
  done
  owns_display "$server" "$number" || { _xvfb_error=":$number changed hands"; return 1; }
  return 0
}

# owns_display PID NUMBER: 0 when process PID listens on display NUMBER's
# abstract socket.
owns_display() {
  local inode
  inode=$(awk -v name="@/tmp/.X11-unix/X$2" '$8 == name && $4 == "00010000" { print $7; exit }' /proc/net/unix)
  [ -n "$inode" ] && ls -l "/proc/$1/fd" 2>/dev/null | grep -q "socket:\[$inode\]"
}
