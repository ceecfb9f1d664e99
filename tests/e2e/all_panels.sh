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

test_name=e2e_all_panels
# shellcheck source=window_session.sh
source "$here/window_session.sh"

# A normal 800 x 600 main window at the origin with every window shown.
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n[Env]\r\nWinViewFlag=511\r\n' \
  >"$out/home/config.ini"

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
