#!/usr/bin/env bash
# The layer window in the real program on a private X server: a PSD with
# several layers opens with its rows listed; a click on the first row's
# visibility box changes the canvas; Shift+Alt+N adds a layer; the stack
# saved as .qmd and read back (by the command-line tool) is the one shown.
#
# usage: layer_panel.sh PROGRAM CLI PSD OUTPUT_DIR [SCREENSHOT.png]
set -euo pipefail

program=${1:?usage: layer_panel.sh PROGRAM CLI PSD OUTPUT_DIR [SCREENSHOT]}
cli=${2:?}
psd=${3:?}
out=${4:?}
shot=${5:-}
here=$(cd "$(dirname "$0")" && pwd)

test_name=e2e_layer_panel
# The PSD comes from the public conformance files; without them, skip.
[ -f "$psd" ] || { echo "$test_name: SKIP: $psd not found"; exit 77; }
# shellcheck source=window_session.sh
source "$here/window_session.sh"

# Only the layer window is shown.
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=700\r\nMainShowCmd=1\r\nLayerX=820\r\nLayerY=40\r\nLayerH=640\r\n[Env]\r\nWinViewFlag=4\r\n' \
  >"$out/home/config.ini"

cp "$psd" "$out/stack.psd"
start "$out/stack.psd"

grab() { xwd -silent -id "$1" | convert xwd:- "png:$2"; }
geometry() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}
# rows_shown: the list's top (where the column 30 pixels from the right
# edge first has a row colour, light blue or near white, for a whole
# 35-pixel row) in $list_top and the number of rows in $rows, from a fresh
# capture of the layer window; 0 once the list shows $expected rows.
rows_shown() {
  grab "$layers" "$out/panel.png" 2>/dev/null || return 1
  read -r lx ly lw lh < <(geometry "$layers")
  convert "$out/panel.png" -crop "1x${lh}+$((lw - 30))+0" txt:- >"$out/column.txt"
  list_top=$(awk -F'[ ,:]+' '/#C6D1FF|#F8F8F8/ {if (!run++) start = $2; if (run == 35) {print start; exit}; next} {run = 0}' "$out/column.txt")
  rows=$(awk -F'[ ,:]+' '/#C6D1FF|#F8F8F8/ {n++} END {print int(n / 35)}' "$out/column.txt")
  [ -n "$list_top" ] && [ "$rows" -eq "$expected" ]
}

main=$(find_window '^Quillmark2 - ')
layers=$(find_window '^ﾚｲﾔ$')
expected=$("$cli" info "$out/stack.psd" | grep -c '^layer [0-9]')
list_top= rows=0
end=$((SECONDS + limit))
until rows_shown; do
  [ "$SECONDS" -lt "$end" ] || break
  sleep 0.2
done
[ "$lh" -ge 200 ] || fail "layer window only $lh pixels high"
[ -n "$list_top" ] || fail "no layer rows found in the layer window"
[ "$rows" -eq "$expected" ] || fail "the list shows $rows rows for $expected layers"
[ -n "$shot" ] && cp "$out/panel.png" "$shot"

# Hide the first layer by its box: the canvas changes.
capture before "$main" || fail "could not capture the main window"
xdotool mousemove --window "$layers" 48 "$((list_top + 25))" click 1
wait_changed before "$main"

# Shift+Alt+N in the main window adds a layer: one row more in the list.
keys "$main" shift+alt+n
expected=$((expected + 1))
end=$((SECONDS + limit))
until rows_shown; do
  [ "$SECONDS" -lt "$end" ] || fail "the list shows $rows rows after Shift+Alt+N, expected $expected"
  sleep 0.2
done
expected=$((expected - 1))

# Save as .qmd through the save-as dialog.
keys "$main" ctrl+w
dialog=$(find_window '다른 이름으로 저장')
type_into "$dialog" "$out/saved.qmd"
xdotool key Return
wait_written "$out/saved.qmd" ""
info=$("$cli" info "$out/saved.qmd")
saved=$(grep -c '^layer [0-9]' <<<"$info")
[ "$saved" -eq "$((expected + 1))" ] || fail "saved $saved layers, expected $((expected + 1))"
hidden_before=$("$cli" info "$out/stack.psd" | grep -c 'visible=no' || true)
hidden_after=$(grep -c 'visible=no' <<<"$info" || true)
[ "$hidden_after" -eq "$((hidden_before + 1))" ] || fail "the hidden layer was saved visible"
echo "e2e_layer_panel: OK ($expected layers listed, hidden, added, saved as $saved)"
