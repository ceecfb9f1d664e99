#!/usr/bin/env bash
# Starts quillmark2 on its own Xvfb display, waits for the main window,
# captures it and checks what it shows: a new 300 x 300 white canvas centred
# on the grey canvas background. Then resizes the window and checks again:
# the image point at the centre stays, which at 100 % is the same scroll.
#
# usage: first_window.sh PROGRAM OUTPUT_DIR
# OUTPUT_DIR keeps the logs and the captures (window.png after a pass).
set -euo pipefail

program=${1:?usage: first_window.sh PROGRAM OUTPUT_DIR}
out=${2:?usage: first_window.sh PROGRAM OUTPUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)
title='Quillmark2 - 新規作成'

fail() {
  echo "e2e_first_window: FAIL: $*" >&2
  for log in "$out/app.log" "$out/xvfb.log"; do
    if [ -s "$log" ]; then echo "--- $log" >&2; tail -n 20 "$log" >&2; fi
  done
  exit 1
}

for tool in Xvfb xdotool xwd convert python3 timeout; do
  command -v "$tool" >/dev/null || fail "'$tool' not found (scripts/install-deps.sh installs it)"
done
[ -x "$program" ] || fail "program not built: $program"
mkdir -p "$out"
rm -rf "$out"/display "$out"/*.log "$out"/*.xwd "$out"/*.ppm "$out"/*.png "$out/home" "$out/tmp"

xvfb_pid=
app_pid=
stop() {
  local pid
  for pid in "$app_pid" "$xvfb_pid"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop EXIT
trap 'exit 1' INT TERM HUP

# Both run under timeout as well, so nothing outlives a killed script.
# Xvfb chooses a free display itself and writes its number to fd 3.
timeout -k 2 55 Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
  3>"$out/display" 2>"$out/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$out/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb exited at start"
  sleep 0.1
done
[ -s "$out/display" ] || fail "Xvfb gave no display number within 10 s"
export DISPLAY=":$(head -n 1 "$out/display")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
# Sanitizer builds: leaks of system libraries are not ours.
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# Private settings and temporary folders; a normal 800 x 600 window without
# the floating panels over the canvas (panels.sh tests those).
mkdir -p "$out/home" "$out/tmp"
chmod 700 "$out/tmp"
export QUILLMARK2_HOME="$out/home" TMPDIR="$out/tmp" XDG_RUNTIME_DIR="$out/tmp"
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n[Env]\r\nWinViewFlag=0\r\n' \
  >"$out/home/config.ini"

timeout -k 2 50 "$program" >"$out/app.log" 2>&1 &
app_pid=$!

win=
deadline=$((SECONDS + 20))
while [ "$SECONDS" -lt "$deadline" ]; do
  kill -0 "$app_pid" 2>/dev/null || fail "quillmark2 exited before showing its window"
  win=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.2
done
[ -n "$win" ] || fail "no visible window titled '$title' within 20 s"
name=$(xdotool getwindowname "$win")
[ "$name" = "$title" ] || fail "window title is '$name', expected '$title'"
echo "window $win: '$name' on $DISPLAY"

# check_capture TAG [WIDTHxHEIGHT [--scroll SX,SY]]: captures the window until
# the checks pass (the first paint may follow the mapping) or 10 s have gone.
# Leaves the check's summary line in $report.
report=
check_capture() {
  local tag=$1
  shift
  report=
  local end=$((SECONDS + 10))
  while :; do
    if xwd -silent -id "$win" -out "$out/$tag.xwd" 2>>"$out/xwd.log" &&
       convert "xwd:$out/$tag.xwd" "ppm:$out/$tag.ppm" 2>>"$out/convert.log" &&
       report=$(python3 "$here/check_canvas.py" "$out/$tag.ppm" "$@" 2>&1); then
      echo "$tag: $report"
      return 0
    fi
    [ "$SECONDS" -lt "$end" ] || break
    sleep 0.3
  done
  fail "$tag: ${report:-the window could not be captured (see $out/xwd.log, $out/convert.log)}"
}

check_capture first
convert "ppm:$out/first.ppm" "png:$out/window.png"
scroll=$(sed -n 's/.*scroll \([0-9-]*,[0-9-]*\)$/\1/p' <<<"$report")
[ -n "$scroll" ] || fail "first: no scroll in '$report'"

# Odd sizes: the half sizes round down; the scroll of the first view is kept.
xdotool windowsize "$win" 641 481
check_capture resized 641x481 --scroll "$scroll"

echo "e2e_first_window: PASS"
