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

fail() {
  echo "e2e_painting: FAIL: $*" >&2
  [ -s "$out/app.log" ] && tail -n 15 "$out/app.log" >&2
  exit 1
}

for tool in Xvfb xdotool xwd convert python3 timeout; do
  command -v "$tool" >/dev/null || fail "'$tool' not found (scripts/install-deps.sh installs it)"
done

rm -rf "$out"
mkdir -p "$out/home" "$out/tmp"
chmod 700 "$out/tmp"
app_pid=
xvfb_pid=
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
start_xvfb "$out" 110 1280x1024x24
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export QUILLMARK2_HOME="$out/home"
export TMPDIR="$out/tmp"
export XDG_RUNTIME_DIR="$out/tmp"

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

timeout -k 2 100 "$program" "$out/doc.qmd" >"$out/app.log" 2>&1 &
app_pid=$!
win=
for _ in $(seq 100); do
  child=$(pgrep -P "$app_pid" | head -n 1 || true)
  if [ -n "$child" ]; then
    win=$(xdotool search --onlyvisible --all --pid "$child" --name "^Quillmark2 - " 2>/dev/null | head -n 1 || true)
    [ -n "$win" ] && break
  fi
  sleep 0.2
done
[ -n "$win" ] || fail "no main window within 20 s"
xdotool windowfocus --sync "$win" 2>/dev/null || true
sleep 0.5

scale=1
mirrored=0
ox=0
oy=0
# locate W H: finds the image on the screen, which must be W x H.
locate() {
  local got end=$((SECONDS + 10))
  while :; do
    if xwd -silent -id "$win" -out "$out/cap.xwd" 2>/dev/null &&
       convert "xwd:$out/cap.xwd" "ppm:$out/cap.ppm" 2>/dev/null &&
       got=$(python3 "$here/find_image.py" "$out/cap.ppm" 2>&1); then
      read -r ox oy gw gh <<<"$got"
      [ "$gw" = "$1" ] && [ "$gh" = "$2" ] && return 0
    fi
    [ "$SECONDS" -lt "$end" ] || fail "image on screen is '$got', expected $1 x $2"
    sleep 0.3
  done
}
# at IX IY: the window position inside image pixel (IX, IY) in $wx $wy.
at() {
  local ix=$1
  [ "$mirrored" = 1 ] && ix=$((199 - ix))
  wx=$((ox + ix * scale + scale / 2))
  wy=$((oy + $2 * scale + scale / 2))
}
# drag IX0 IY0 IX1 IY1: a left-button drag in five steps.
drag() {
  at "$1" "$2"
  xdotool mousemove --window "$win" "$wx" "$wy"
  sleep 0.1
  xdotool mousedown 1
  local i
  for i in 1 2 3 4 5; do
    at $(($1 + ($3 - $1) * i / 5)) $(($2 + ($4 - $2) * i / 5))
    xdotool mousemove --window "$win" "$wx" "$wy"
    sleep 0.05
  done
  xdotool mouseup 1
  sleep 0.2
}
key() {
  xdotool key --delay 60 "$@"
  sleep 0.3
}
# save NAME: Ctrl+S, then the document flattened into NAME.png.
save() {
  local before end=$((SECONDS + 10))
  before=$(stat -c %Y.%s "$out/doc.qmd" 2>/dev/null || true)
  : >"$out/doc.qmd.mark"
  key ctrl+s
  while [ ! "$out/doc.qmd" -nt "$out/doc.qmd.mark" ]; do
    [ "$SECONDS" -lt "$end" ] || fail "Ctrl+S did not save doc.qmd"
    sleep 0.2
  done
  sleep 0.3
  "$cli" flatten "$out/doc.qmd" "$out/$1.png" >/dev/null || fail "cli could not read the saved doc.qmd ($1)"
  convert "png:$out/$1.png" "ppm:$out/$1.ppm"
}
check() {
  local tag=$1
  shift
  python3 "$here/check_pixels.py" "$out/$tag.ppm" "$@" >/dev/null || fail "$tag: $(python3 "$here/check_pixels.py" "$out/$tag.ppm" "$@" 2>&1)"
  echo "$tag: ok"
}

locate 200 120
# A middle click (a canvas move of no distance) gives the canvas the focus.
xdotool mousemove --window "$win" $((ox - 20)) $((oy - 20)) click 2
sleep 1.1  # the stored document's own modification time must be older
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
locate 400 240
drag 20 100 60 100
save b
check b 40,100=000000 40,102=FFFFFF 40,20=000000

key m
mirrored=1
locate 400 240
drag 150 100 180 100
save c
check c 165,100=000000 40,100=000000 165,103=FFFFFF

key u
save d
check d 165,100=FFFFFF --same "$out/b.ppm"
echo "e2e_painting: ok"
