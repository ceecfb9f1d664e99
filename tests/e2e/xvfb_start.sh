# Sourced by the end-to-end scripts; the start-up of first_window.sh as a
# function. start_xvfb OUT_DIR SECONDS [SCREEN] starts Xvfb on a display it
# picks itself (its number comes back on fd 3), under timeout so it cannot
# outlive a killed script, then exports DISPLAY for Qt's xcb platform and
# sets xvfb_pid. The caller defines fail() and stops xvfb_pid at exit.
start_xvfb() {
  local out=$1 seconds=$2 screen=${3:-1024x768x24}
  timeout -k 2 "$seconds" Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp \
    3>"$out/display" 2>"$out/xvfb.log" &
  xvfb_pid=$!
  local _
  for _ in $(seq 100); do
    [ -s "$out/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb exited at start"
    sleep 0.1
  done
  [ -s "$out/display" ] || fail "Xvfb gave no display number within 10 s"
  export DISPLAY=":$(head -n 1 "$out/display")"
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
}
