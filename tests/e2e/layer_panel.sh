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

fail() {
  echo "e2e_layer_panel: FAIL: $*" >&2
  for log in "$out/app.log" "$out/xvfb.log"; do
    if [ -s "$log" ]; then echo "--- $log" >&2; tail -n 20 "$log" >&2; fi
  done
  exit 1
}

# The PSD comes from the public conformance files; without them, skip.
[ -f "$psd" ] || { echo "e2e_layer_panel: SKIP: $psd not found"; exit 77; }
for tool in Xvfb xdotool xwd convert timeout; do
  command -v "$tool" >/dev/null || fail "'$tool' not found (scripts/install-deps.sh installs it)"
done
mkdir -p "$out"
rm -rf "$out"/display "$out"/*.log "$out/home" "$out/tmp" "$out"/*.png "$out"/*.qmd

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

# shellcheck source=xvfb_start.sh
source "$here/xvfb_start.sh"
start_xvfb "$out" 80
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
mkdir -p "$out/home" "$out/tmp"
chmod 700 "$out/tmp"
export QUILLMARK2_HOME="$out/home" TMPDIR="$out/tmp" XDG_RUNTIME_DIR="$out/tmp"
# Only the layer window is shown.
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=700\r\nMainShowCmd=1\r\nLayerX=820\r\nLayerY=40\r\nLayerH=640\r\n[Env]\r\nWinViewFlag=4\r\n' \
  >"$out/home/config.ini"

cp "$psd" "$out/stack.psd"
timeout -k 2 60 "$program" "$out/stack.psd" >>"$out/app.log" 2>&1 &
app_pid=$!

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
grab() { xwd -silent -id "$1" | convert xwd:- "png:$2"; }
geometry() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

main=$(find_window '^Quillmark2 - ')
layers=$(find_window '^ﾚｲﾔ$')
sleep 1.5
grab "$layers" "$out/panel.png"
read -r lx ly lw lh < <(geometry "$layers")
[ "$lh" -ge 200 ] || fail "layer window only $lh pixels high"

# The list's top: where the column 30 pixels from the right edge first has
# a row colour (light blue or near white) for a whole 35-pixel row.
convert "$out/panel.png" -crop "1x${lh}+$((lw - 30))+0" txt:- >"$out/column.txt"
list_top=$(awk -F'[ ,:]+' '/#C6D1FF|#F8F8F8/ {if (!run++) start = $2; if (run == 35) {print start; exit}; next} {run = 0}' "$out/column.txt")
[ -n "$list_top" ] || fail "no layer rows found in the layer window"
rows=$(awk -F'[ ,:]+' '/#C6D1FF|#F8F8F8/ {n++} END {print int(n / 35)}' "$out/column.txt")
expected=$("$cli" info "$out/stack.psd" | grep -c '^layer [0-9]')
[ "$rows" -eq "$expected" ] || fail "the list shows $rows rows for $expected layers"
[ -n "$shot" ] && cp "$out/panel.png" "$shot"

# Hide the first layer by its box: the canvas changes.
grab "$main" "$out/before.png"
xdotool mousemove --window "$layers" 48 "$((list_top + 25))" click 1
sleep 1
grab "$main" "$out/after.png"
cmp -s <(convert "$out/before.png" rgb:-) <(convert "$out/after.png" rgb:-) &&
  fail "hiding the first layer left the canvas unchanged"

# Shift+Alt+N in the main window adds a layer.
xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
sleep 0.3
xdotool key shift+alt+n
sleep 1

# Save as .qmd through the save-as dialog.
xdotool key ctrl+w
sleep 0.3
dialog=$(find_window '다른 이름으로 저장')
sleep 0.5
xdotool type --delay 20 "$out/saved.qmd"
xdotool key Return
end=$((SECONDS + 15))
until [ -s "$out/saved.qmd" ]; do
  [ "$SECONDS" -lt "$end" ] || fail "no .qmd written"
  sleep 0.3
done
sleep 0.5
info=$("$cli" info "$out/saved.qmd")
saved=$(grep -c '^layer [0-9]' <<<"$info")
[ "$saved" -eq "$((expected + 1))" ] || fail "saved $saved layers, expected $((expected + 1))"
hidden_before=$("$cli" info "$out/stack.psd" | grep -c 'visible=no' || true)
hidden_after=$(grep -c 'visible=no' <<<"$info" || true)
[ "$hidden_after" -eq "$((hidden_before + 1))" ] || fail "the hidden layer was saved visible"
echo "e2e_layer_panel: OK ($expected layers listed, hidden, added, saved as $saved)"
