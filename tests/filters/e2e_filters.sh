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

fail() {
  echo "e2e_filters: FAIL: $*" >&2
  [ -s "$out/app.log" ] && tail -n 20 "$out/app.log" >&2
  exit 1
}
for tool in Xvfb xdotool xwd convert python3 timeout; do
  command -v "$tool" >/dev/null || fail "'$tool' not found (scripts/install-deps.sh installs it)"
done
mkdir -p "$out"
rm -rf "$out"/display "$out"/*.log "$out"/*.ppm "$out/home" "$out/tmp"

xvfb_pid=
app_pid=
stop() {
  for pid in "$app_pid" "$xvfb_pid"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop EXIT
trap 'exit 1' INT TERM HUP

timeout -k 2 85 Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || fail "Xvfb gave no display number"
export DISPLAY=":$(head -n 1 "$out/display")" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
export LSAN_OPTIONS="suppressions=$here/../e2e/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
mkdir -p "$out/home" "$out/tmp"
chmod 700 "$out/tmp"
export QUILLMARK2_HOME="$out/home" TMPDIR="$out/tmp" XDG_RUNTIME_DIR="$out/tmp"
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

timeout -k 2 80 "$program" "$out/half.png" >"$out/app.log" 2>&1 &
app_pid=$!
win=
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || fail "quillmark2 exited at start"
  win=$(xdotool search --onlyvisible --name '^Quillmark2 - .*half.png$' 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.2
done
[ -n "$win" ] || fail "no main window"
sleep 0.5

# counts TAG: captures the main window; sets $black $red.
counts() {
  sleep 0.6
  xwd -silent -id "$win" | convert xwd:- "ppm:$out/$1.ppm"
  read -r _ black _ red _ < <(python3 "$here/e2e_count_colours.py" "$out/$1.ppm")
  echo "e2e_filters: $1: black $black red $red"
}
keys() {
  xdotool windowfocus --sync "$win" 2>/dev/null || true
  xdotool key --delay 120 "$@"
}
area=$((200 * 120 / 2))

counts opened
[ "$red" -ge "$area" ] || fail "the picture is not shown as expected"
base=$black  # the window's own black (texts, frames)

# 필터 > 알파 조작 (eighth item, second from the end) > third item.
keys alt+t Up Up Right Down Down Return
counts greyscale_from_alpha
[ "$red" -lt 100 ] && [ "$black" -ge $((base + area)) ] || fail "Greyscale From Alpha did not run from the menu"

# 필터 > 다른 레이어와 작업 (last item): its dialog, operation 6 (luma of the layer).
keys alt+t Up Return
dialog=
for _ in $(seq 50); do
  dialog=$(xdotool search --onlyvisible --name '^他のレイヤと操作$' 2>/dev/null | head -n 1 || true)
  [ -n "$dialog" ] && break
  sleep 0.2
done
[ -n "$dialog" ] || fail "the Operate With Layer dialog did not open"
xwd -silent -id "$dialog" | convert xwd:- "png:$out/dialog.png"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool key --delay 150 Tab End Up Return
for _ in $(seq 50); do
  xdotool search --onlyvisible --name '^他のレイヤと操作$' >/dev/null 2>&1 || break
  sleep 0.2
done
counts operate_with_layer
[ "$black" -lt $((base + 100)) ] || fail "Operate With Layer did not clear the black half"

# One undo step brings the black half back.
keys ctrl+z
counts undone
[ "$black" -ge $((base + area)) ] || fail "undo did not restore the layer"
echo "e2e_filters: pass"
