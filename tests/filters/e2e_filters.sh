#!/usr/bin/env bash
# The filter menu in the real program on its own Xvfb display: opens a
# picture whose right half is transparent, runs a direct alpha operation
# from the menu (Greyscale From Alpha: the transparent half turns black, the
# red half white), then a dialog filter (Operate With Layer, alpha from the
# layer's own luma: the black half goes transparent again), and undoes it.
#
# usage: e2e_filters.sh PROGRAM OUTPUT_DIR
set -euo pipefail

program=${1:?usage: e2e_filters.sh PROGRAM OUTPUT_DIR}
out=${2:?usage: e2e_filters.sh PROGRAM OUTPUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)

test_name=e2e_filters
# shellcheck source=../e2e/window_session.sh
source "$here/../e2e/window_session.sh"
command -v python3 >/dev/null || fail "'python3' not found (scripts/install-deps.sh installs it)"
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n' \
  >"$out/home/config.ini"

# 200 x 120: left half opaque red, right half transparent.
python3 - "$out/half.png" <<'PY'
import struct, sys, zlib
w, h = 200, 120
rows = b"".join(b"\0" + b"".join(b"\xff\0\0\xff" if x < w // 2 else b"\0\0\0\0" for x in range(w))
                for _ in range(h))
def chunk(t, d):
    return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
                              + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
PY

start "$out/half.png"
win=$(find_window '^Quillmark2 - .*half.png$')
# The floating panels may take the keyboard as they appear.
find_window '^연필 - ' >/dev/null
find_window '^조정$' >/dev/null

# counts TAG TEST WHAT: captures the main window until TEST (on $black and
# $red) holds; else fails with WHAT.
counts() {
  local end=$((SECONDS + limit))
  black=0 red=0
  while :; do
    if capture "$1" "$win" &&
       read -r _ black _ red _ < <(python3 "$here/e2e_count_colours.py" "$out/$1.ppm") &&
       eval "$2"; then
      echo "e2e_filters: $1: black $black red $red"
      return 0
    fi
    [ "$SECONDS" -lt "$end" ] || fail "$3 (black $black red $red after $limit s)"
    sleep 0.2
  done
}
area=$((200 * 120 / 2))

counts opened '[ "$red" -ge "$area" ]' "the picture is not shown as expected"
base=$black  # the window's own black (texts, frames)

# 필터 > 알파 조작 (eighth item, second from the end) > third item.
focus "$win"
open_menu "$app_pid" alt+t
xdotool key --delay 30 Up Up
open_menu "$app_pid" Right
xdotool key --delay 30 Down Down Return
counts greyscale_from_alpha '[ "$red" -lt 100 ] && [ "$black" -ge $((base + area)) ]' \
  "Greyscale From Alpha did not run from the menu"

# 필터 > 다른 레이어와 작업 (last item): its dialog, operation 6 (luma of the layer).
focus "$win"
open_menu "$app_pid" alt+t
xdotool key --delay 30 Up Return
dialog=$(find_window '^他のレイヤと操作$')
xwd -silent -id "$dialog" | convert xwd:- "png:$out/dialog.png"
keys "$dialog" Tab End Up Return
wait_gone "$dialog"
counts operate_with_layer '[ "$black" -lt $((base + 100)) ]' "Operate With Layer did not clear the black half"

# One undo step brings the black half back.
keys "$win" ctrl+z
counts undone '[ "$black" -ge $((base + area)) ]' "undo did not restore the layer"
echo "e2e_filters: pass"
