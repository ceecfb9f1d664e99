# Sourced by the end-to-end scripts that drive the program's windows: a
# private Xvfb, the program's environment (settings and temporary folders
# under $out), and helpers to find, place and close its windows.
# The caller sets test_name, program, out and here first (session_seconds,
# the display's lifetime, when 80 s is not enough), then writes
# $out/home/config.ini and calls start. Scripts that run several instances
# add their pids to session_pids, which are stopped at exit too.

fail() {
  echo "$test_name: FAIL: $*" >&2
  # What was on the screen, for the reader of the log.
  if [ -n "${DISPLAY:-}" ] && [ -n "${xvfb_pid:-}" ]; then
    xwd -silent -root -out "$out/failure.xwd" 2>/dev/null && convert "xwd:$out/failure.xwd" "png:$out/failure.png" 2>/dev/null
    echo "--- windows on the screen:" >&2
    xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | sort -u >&2 || true
  fi
  for log in "$out"/*.log; do
    if [ -s "$log" ]; then echo "--- $log" >&2; tail -n 20 "$log" >&2; fi
  done
  exit 1
}

for tool in Xvfb xdotool xwd convert timeout; do
  command -v "$tool" >/dev/null || fail "'$tool' not found (scripts/install-deps.sh installs it)"
done
[ -x "$program" ] || fail "program not built: $program"
# Every run starts from an empty folder: a file left by an earlier run (a
# saved picture, say) would change what the program asks.
case "$out" in ""|/) fail "no output folder given" ;; esac
rm -rf "$out"
mkdir -p "$out"

xvfb_pid=
app_pid=
session_pids=()
stop() {
  local pid
  for pid in "$app_pid" "${session_pids[@]}" "$xvfb_pid"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop EXIT
trap 'exit 1' INT TERM HUP

# shellcheck source=xvfb_start.sh
source "$here/xvfb_start.sh"
start_xvfb "$out" "${session_seconds:-80}"
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
mkdir -p "$out/home" "$out/tmp"
chmod 700 "$out/tmp"
export QUILLMARK2_HOME="$out/home" TMPDIR="$out/tmp" XDG_RUNTIME_DIR="$out/tmp"
start() {
  timeout -k 2 30 "$program" >>"$out/app.log" 2>&1 &
  app_pid=$!
}

# find_window REGEX: the first visible window so named, within 20 s.
find_window() {
  local id end=$((SECONDS + 20))
  while [ "$SECONDS" -lt "$end" ]; do
    kill -0 "$app_pid" 2>/dev/null || fail "quillmark2 exited early"
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  fail "no visible window named '$1' within 20 s"
}

# visible WIN: 0 when the window is mapped.
visible() { xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"; }

# place WIN: "x y" of the window on screen.
place() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y"
}

# wait_place WIN X Y
wait_place() {
  local end=$((SECONDS + 10)) at=
  while [ "$SECONDS" -lt "$end" ]; do
    at=$(place "$1")
    [ "$at" = "$2 $3" ] && return 0
    sleep 0.2
  done
  fail "window $1 is at $at, expected $2 $3"
}

tab() {
  xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
  sleep 0.2
  xdotool key Tab
  sleep 0.5
}

quit() {
  xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
  sleep 0.2
  xdotool key alt+f
  sleep 0.8
  xdotool key x
  local end=$((SECONDS + 20))
  while kill -0 "$app_pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || fail "quillmark2 did not end within 20 s"
    sleep 0.2
  done
  wait "$app_pid" || fail "quillmark2 ended with code $?"
  app_pid=
}

