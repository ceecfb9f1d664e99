#!/usr/bin/env bash
# Every floating window of the real program on a private X server: with
# WinViewFlag 511 all of them are shown at their default places around the
# main window's client area.
#
# usage: all_panels.sh PROGRAM OUTPUT_DIR [SCREENSHOT.png]
# With a third argument the whole program with every window is saved there.
set -euo pipefail

program=${1:?usage: all_panels.sh PROGRAM OUTPUT_DIR [SCREENSHOT]}
out=${2:?usage: all_panels.sh PROGRAM OUTPUT_DIR [SCREENSHOT]}
shot=${3:-}
here=$(cd "$(dirname "$0")" && pwd)

fail() {
  echo "e2e_all_panels: FAIL: $*" >&2
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
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n[Env]\r\nWinViewFlag=511\r\n' \
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

# --- every floating window at its default place -----------------------------
start
main=$(find_window '^Quillmark2 - ')
tool=$(find_window '^연필 - ')
control=$(find_window '^조정$')
palette=$(find_window '^ﾊﾟﾚｯﾄ$')
expal=$(find_window '^拡張ﾊﾟﾚｯﾄ$')
texture=$(find_window '^ﾃｸｽﾁｬ$')
preview=$(find_window '^ﾌﾟﾚﾋﾞｭｰ ')
imageview=$(find_window '^ｲﾒｰｼﾞﾋﾞｭｰ ')
read -r mx my < <(place "$main")
read -r tx ty < <(place "$tool")
# The client area's top: the tool panel sits 34 below it.
top=$((ty - 34))
# check NAME WIN X Y: the window's place (Y empty: not checked).
check() {
  local x y
  read -r x y < <(place "$2")
  [ "$x" -eq "$3" ] || fail "$1 x $x, expected $3"
  [ -z "${4:-}" ] || [ "$y" -eq "$4" ] || fail "$1 y $y, expected $4"
  echo "$1 at $x,$y"
}
# Without a window manager the client area runs from x = 0 to 800.
check palette "$palette" $((800 - 487)) $((top + 32))
check texture "$texture" $((800 - 486)) $((top + 188))
check "extended palette" "$expal" $((800 - 176))
check preview "$preview" 5 $((top + 32))
check "image view" "$imageview" 200 $((top + 32))
# Optional windows other branches add, when present.
for name in '^ﾚｲﾔ' '^ﾌｨﾙﾀ一覧$'; do
  id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1 || true)
  [ -n "$id" ] && echo "also shown: $name"
done
if [ -n "$shot" ]; then
  sleep 2
  # Each window from its own contents (raised first, so nothing covers
  # it), laid out as on screen; the later ones lie on top.
  xwd -silent -id "$main" | convert xwd:- "png:$out/main.png"
  args=()
  for w in tool control imageview preview texture palette expal; do
    read -r x y < <(place "${!w}")
    xdotool windowraise "${!w}"
    sleep 0.3
    xwd -silent -id "${!w}" | convert xwd:- "png:$out/$w.png"
    args+=("$out/$w.png" -geometry "+$((x - mx))+$((y - my))" -composite)
  done
  convert "$out/main.png" "${args[@]}" "png:$shot"
  echo "wrote $shot"
fi
quit
echo "e2e_all_panels: PASS"
