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

test_name=e2e_first_window
session_seconds=85
# shellcheck source=window_session.sh
source "$here/window_session.sh"
command -v python3 >/dev/null || fail "'python3' not found (scripts/install-deps.sh installs it)"
# A normal 800 x 600 window without the floating panels over the canvas
# (panels.sh tests those).
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n[Env]\r\nWinViewFlag=0\r\n' \
  >"$out/home/config.ini"

start
win=$(find_window "^${title}\$")
name=$(xdotool getwindowname "$win")
[ "$name" = "$title" ] || fail "window title is '$name', expected '$title'"
echo "window $win: '$name' on $DISPLAY"

# check_capture TAG [WIDTHxHEIGHT [--scroll SX,SY]]: captures the window until
# the checks pass (the first paint may follow the mapping) or $limit s have gone.
# Leaves the check's summary line in $report.
report=
check_capture() {
  local tag=$1
  shift
  report=
  local end=$((SECONDS + limit))
  while :; do
    if capture "$tag" "$win" &&
       report=$(python3 "$here/check_canvas.py" "$out/$tag.ppm" "$@" 2>&1); then
      echo "$tag: $report"
      return 0
    fi
    [ "$SECONDS" -lt "$end" ] || break
    sleep 0.2
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
