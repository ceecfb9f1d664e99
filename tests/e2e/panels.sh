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

test_name=e2e_panels
# shellcheck source=window_session.sh
source "$here/window_session.sh"

# A normal 800 x 600 main window at the origin; WinViewFlag stays default.
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n' \
  >"$out/home/config.ini"

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
wait_gone "$tool"
wait_gone "$control"
tab
wait_shown "$tool"
wait_shown "$control"
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
