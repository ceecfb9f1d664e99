#!/usr/bin/env bash
# The rectangle selection with the real program on a private X server: on a
# white 200 x 120 document with a red 20 x 20 block, a frame is dragged
# around the block with the Rectangle select tool, cut with Ctrl+X, pasted
# with Ctrl+V (under the view centre), the floating image dragged 40 pixels
# right, put down with Ctrl+D and saved with Ctrl+S: the block is checked in
# its new place and gone from the old one. Two Ctrl+Z (the put-down, the
# cut) give back the original document bit for bit.
#
# usage: selection.sh PROGRAM CLI OUTPUT_DIR
set -euo pipefail

program=${1:?usage: selection.sh PROGRAM CLI OUTPUT_DIR}
cli=${2:?usage: selection.sh PROGRAM CLI OUTPUT_DIR}
out=${3:?usage: selection.sh PROGRAM CLI OUTPUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)

test_name=e2e_selection
# shellcheck source=window_session.sh
source "$here/window_session.sh"

# No questions on saving or closing (OptFlag without 0x01 and 0x02), no panels.
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n[Env]\r\nOptFlag=56\r\nWinViewFlag=0\r\n' \
  >"$out/home/config.ini"
# Key S: the Rectangle select tool (tool 18).
python3 - "$out/home/key.dat" <<'PY'
import struct, sys
entries = [(0x12, 'S')]
with open(sys.argv[1], "wb") as f:
    f.write(struct.pack("<H", len(entries)))
    for action, key in entries:
        f.write(struct.pack("<H", action << 8 | ord(key)))
PY
python3 - "$out/start.png" <<'PY'
import struct, sys, zlib
w, h = 200, 120
def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
def pixel(x, y):
    return b"\xff\x00\x00" if 30 <= x < 50 and 30 <= y < 50 else b"\xff\xff\xff"
rows = b"".join(b"\0" + b"".join(pixel(x, y) for x in range(w)) for y in range(h))
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
                              chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
PY
"$cli" convert "$out/start.png" "$out/doc.qmd" >/dev/null || fail "cli could not write doc.qmd"
"$cli" flatten "$out/doc.qmd" "$out/original.png" >/dev/null || fail "cli could not flatten doc.qmd"
convert "png:$out/original.png" "ppm:$out/original.ppm"

start "$out/doc.qmd"
win=$(find_window '^Quillmark2 - ')
focus "$win"

# drag IX0 IY0 IX1 IY1: a left-button drag in five steps, at 100 %; returns
# once the window shows a change.
drag() {
  capture before-drag "$win" || fail "could not capture the window"
  xdotool mousemove --window "$win" $((ox + $1)) $((oy + $2)) mousedown 1
  local i
  for i in 1 2 3 4 5; do
    xdotool mousemove --window "$win" $((ox + $1 + ($3 - $1) * i / 5)) $((oy + $2 + ($4 - $2) * i / 5))
  done
  xdotool mouseup 1
  wait_changed before-drag "$win"
}
key() { keys "$win" "$@"; }
# save NAME: Ctrl+S, then the document flattened into NAME.ppm.
save() {
  local stamp
  stamp=$(file_stamp "$out/doc.qmd")
  key ctrl+s
  wait_written "$out/doc.qmd" "$stamp"
  "$cli" flatten "$out/doc.qmd" "$out/$1.png" >/dev/null || fail "cli could not read the saved doc.qmd ($1)"
  convert "png:$out/$1.png" "ppm:$out/$1.ppm"
}
check() {
  local tag=$1
  shift
  python3 "$here/check_pixels.py" "$out/$tag.ppm" "$@" >/dev/null ||
    fail "$tag: $(python3 "$here/check_pixels.py" "$out/$tag.ppm" "$@" 2>&1)"
  echo "$tag: ok"
}

locate "$win" 200 120
# A middle click (a canvas move of no distance) gives the canvas the focus.
xdotool mousemove --window "$win" $((ox - 20)) $((oy - 20)) click 2
key s
drag 25 25 54 54   # the frame (25, 25)-(54, 54) around the block
# The frame is drawn inverted over the image: white edges turn black (the
# frame follows the pointer, so its last place may show a little later).
frame_checks=($((ox + 25)),$((oy + 40))=000000 $((ox + 54)),$((oy + 40))=000000 $((ox + 40)),$((oy + 25))=000000
  $((ox + 27)),$((oy + 40))=FFFFFF $((ox + 40)),$((oy + 40))=FF0000)
end=$((SECONDS + limit))
until capture frame "$win" && python3 "$here/check_pixels.py" "$out/frame.ppm" "${frame_checks[@]}" >/dev/null 2>&1; do
  [ "$SECONDS" -lt "$end" ] || break
  sleep 0.2
done
check frame "${frame_checks[@]}"
capture framed "$win"
key ctrl+x
wait_changed framed "$win"
capture cut "$win"
key ctrl+v         # floats centred under the view centre, about (85, 45)
wait_changed cut "$win"
drag 100 60 140 60
key ctrl+d
save moved
# The block lies 40 pixels right of the paste: about (130, 50)-(149, 69).
check moved 140,60=FF0000 133,53=FF0000 146,66=FF0000 40,40=FFFFFF 100,60=FFFFFF 120,60=FFFFFF 10,10=FFFFFF

key ctrl+z
key ctrl+z
save undone
check undone 40,40=FF0000 140,60=FFFFFF --same "$out/original.ppm"
echo "$test_name: ok"
