#!/usr/bin/env bash
# The floating panels in the real program on a private X server: with the
# default WinViewFlag the tool and control panels appear at their default
# places beside the main window's client area; Tab hides both and brings
# them back; places moved here are written to config.ini at exit and used
# at the next start.
#
# usage: panels.sh PROGRAM OUTPUT_DIR [SCREENSHOT.png]
# With a third argument the screen with both panels is saved there.
set -euo pipefail

program=${1:?usage: panels.sh PROGRAM OUTPUT_DIR [SCREENSHOT]}
out=${2:?usage: panels.sh PROGRAM OUTPUT_DIR [SCREENSHOT]}
shot=${3:-}
here=$(cd "$(dirname "$0")" && pwd)

fail() {
  echo "e2e_panels: FAIL: $*" >&2
  for log in "$out/app.log" "$out/xvfb.log"; do
    if [ -s "$log" ]; then echo "--- $log" >&2; tail -n 20 "$log" >&2; fi
  done
  exit 1
}

for tool in Xvfb xdotool xwd convert timeout; do
  command -v "$tool" >/dev/null || fail "'$tool' not found (scripts/install-deps.sh installs it)"
done
[ -x "$program" ] || fail "program not built: $program"
mkdir -p "$out"
rm -rf "$out"/display "$out"/*.log "$out/home" "$out/tmp"

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

timeout -k 2 80 Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
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
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
mkdir -p "$out/home" "$out/tmp"
chmod 700 "$out/tmp"
export QUILLMARK2_HOME="$out/home" TMPDIR="$out/tmp" XDG_RUNTIME_DIR="$out/tmp"
# A normal 800 x 600 main window at the origin; WinViewFlag stays default.
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n' \
  >"$out/home/config.ini"

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

# --- 1. default places --------------------------------------------------------
start
main=$(find_window '^Quillmark2 - ')
tool=$(find_window '^연필 - ')
control=$(find_window '^조정$')
read -r mx my < <(place "$main")
read -r tx ty < <(place "$tool")
read -r cx cy < <(place "$control")
# Without a window manager the client area's right edge is x = 800; its
# top lies below the menu bar, which the two offsets share.
[ "$tx" -eq 552 ] || fail "tool panel x $tx, expected 800 - 248"
[ "$cx" -eq 548 ] || fail "control panel x $cx, expected 800 - 252"
[ $((cy - ty)) -eq 153 ] || fail "control panel $((cy - ty)) below the tool panel, expected 187 - 34"
[ "$ty" -ge $((my + 34)) ] && [ "$ty" -le $((my + 34 + 40)) ] ||
  fail "tool panel y $ty is not 34 below the client area's top (window at $my)"
echo "default places: tool $tx,$ty control $cx,$cy"
if [ -n "$shot" ]; then
  sleep 2
  # Each window from its own contents, laid out as on screen.
  for w in main tool control; do
    xwd -silent -id "${!w}" | convert xwd:- "png:$out/$w.png"
  done
  convert "$out/main.png" "$out/tool.png" -geometry "+$((tx - mx))+$((ty - my))" -composite \
    "$out/control.png" -geometry "+$((cx - mx))+$((cy - my))" -composite "png:$shot"
  echo "wrote $shot"
fi

# --- 2. Tab hides and restores ---------------------------------------------
tab
visible "$tool" && fail "Tab left the tool panel shown"
visible "$control" && fail "Tab left the control panel shown"
tab
visible "$tool" || fail "the second Tab did not bring the tool panel back"
visible "$control" || fail "the second Tab did not bring the control panel back"
echo "Tab: hidden and restored"

# --- 3. moved places are stored and restored --------------------------------
xdotool windowmove "$tool" 40 300
xdotool windowmove "$control" 300 250
wait_place "$tool" 40 300
wait_place "$control" 300 250
quit
grep -q $'^ToolX=40\r$' "$out/home/config.ini" || fail "config.ini lacks ToolX=40"
grep -q $'^ToolY=300\r$' "$out/home/config.ini" || fail "config.ini lacks ToolY=300"
grep -q $'^CtlX=300\r$' "$out/home/config.ini" || fail "config.ini lacks CtlX=300"
grep -q $'^CtlY=250\r$' "$out/home/config.ini" || fail "config.ini lacks CtlY=250"
start
main=$(find_window '^Quillmark2 - ')
tool=$(find_window '^연필 - ')
control=$(find_window '^조정$')
wait_place "$tool" 40 300
wait_place "$control" 300 250
quit
echo "e2e_panels: PASS"
