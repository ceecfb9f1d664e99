#!/usr/bin/env bash
# Paints with the real program on its own Xvfb display: Pencil, Brush and a
# rectangle outline dragged with xdotool on a blank 200 x 120 document, saved
# with Ctrl+S; then a Pencil line at 200 %, one in the mirrored view, and
# undo. Each saved .qmd is flattened by the command-line tool and its pixels
# checked where the pointer went; after undo it equals the earlier save bit
# for bit.
#
# usage: painting.sh PROGRAM CLI OUTPUT_DIR
set -euo pipefail

program=${1:?usage: painting.sh PROGRAM CLI OUTPUT_DIR}
cli=${2:?usage: painting.sh PROGRAM CLI OUTPUT_DIR}
out=${3:?usage: painting.sh PROGRAM CLI OUTPUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)

test_name=e2e_painting
session_seconds=110
session_screen=1280x1024x24
# shellcheck source=window_session.sh
source "$here/window_session.sh"
command -v python3 >/dev/null || fail "'python3' not found (scripts/install-deps.sh installs it)"
[ -x "$cli" ] || fail "command-line tool not built: $cli"

# No questions on saving or closing (OptFlag without 0x01 and 0x02).
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n[Env]\r\nOptFlag=56\r\n' \
  >"$out/home/config.ini"
# Keys: P Pencil, B Brush, F freehand, R rectangle outline, I zoom in,
# M mirrored view, U undo.
python3 - "$out/home/key.dat" <<'PY'
import struct, sys
entries = [(0x00, 'P'), (0x04, 'B'), (0x20, 'F'), (0x22, 'R'), (0x42, 'I'), (0x45, 'M'), (0x40, 'U')]
with open(sys.argv[1], "wb") as f:
    f.write(struct.pack("<H", len(entries)))
    for action, key in entries:
        f.write(struct.pack("<H", action << 8 | ord(key)))
PY
python3 - "$out/blank.png" <<'PY'
import struct, sys, zlib
w, h = 200, 120
def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
rows = b"".join(b"\0" + b"\xff" * (3 * w) for _ in range(h))
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)) +
                              chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))
PY
"$cli" convert "$out/blank.png" "$out/doc.qmd" >/dev/null || fail "cli could not write doc.qmd"

start "$out/doc.qmd"
win=$(find_window '^Quillmark2 - ')
# The floating panels come up after the main window and may take the
# keyboard as they appear: every key below goes out once the main window
# has it.
find_window '^연필 - ' >/dev/null
find_window '^조정$' >/dev/null
focus "$win"

scale=1
mirrored=0
# at IX IY: the window position inside image pixel (IX, IY) in $wx $wy.
at() {
  local ix=$1
  [ "$mirrored" = 1 ] && ix=$((199 - ix))
  wx=$((ox + ix * scale + scale / 2))
  wy=$((oy + $2 * scale + scale / 2))
}
# drag IX0 IY0 IX1 IY1: a left-button drag in five steps; returns once the
# window shows a change (the X server keeps the events in order, so the
# next key comes after the stroke either way; the wait makes a lost stroke
# fail here rather than at the check).
drag() {
  capture before-drag "$win" || fail "could not capture the window"
  at "$1" "$2"
  xdotool mousemove --window "$win" "$wx" "$wy" mousedown 1
  local i
  for i in 1 2 3 4 5; do
    at $(($1 + ($3 - $1) * i / 5)) $(($2 + ($4 - $2) * i / 5))
    xdotool mousemove --window "$win" "$wx" "$wy"
  done
  xdotool mouseup 1
  wait_changed before-drag "$win"
}
key() { keys "$win" "$@"; }
# save NAME: Ctrl+S, then the document flattened into NAME.png.
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
  python3 "$here/check_pixels.py" "$out/$tag.ppm" "$@" >/dev/null || fail "$tag: $(python3 "$here/check_pixels.py" "$out/$tag.ppm" "$@" 2>&1)"
  echo "$tag: ok"
}

locate "$win" 200 120
# A middle click (a canvas move of no distance) gives the canvas the focus.
xdotool mousemove --window "$win" $((ox - 20)) $((oy - 20)) click 2
key p
drag 20 20 60 20
key b
drag 20 60 60 60
key p
key r
drag 100 20 150 60
key f
save a
check a 40,20=000000 40,30=FFFFFF 40,60=dark 40,75=FFFFFF 100,40=000000 125,20=000000 150,40=000000 125,40=FFFFFF 10,10=FFFFFF

key i
scale=2
locate "$win" 400 240
drag 20 100 60 100
save b
check b 40,100=000000 40,102=FFFFFF 40,20=000000

capture unmirrored "$win"
key m
wait_changed unmirrored "$win"
mirrored=1
locate "$win" 400 240
drag 150 100 180 100
save c
check c 165,100=000000 40,100=000000 165,103=FFFFFF

key u
save d
check d 165,100=FFFFFF --same "$out/b.ppm"
echo "e2e_painting: ok"
