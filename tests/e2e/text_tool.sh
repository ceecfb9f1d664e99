#!/usr/bin/env bash
# The text tool in the real program: T picks the tool, a click on a blank
# 200 x 120 document opens the "문자" dialog, "テスト 한글 Abc" is typed into
# its text box with xdotool (the live preview is captured as text_dialog.png),
# Ctrl+Enter draws, Ctrl+S saves; the flattened save must hold the text to
# the right of and below the click, wide enough for the CJK characters, and
# nothing above or left of it.
#
# usage: text_tool.sh PROGRAM CLI OUTPUT_DIR
set -euo pipefail

test_name=e2e_text_tool
program=${1:?usage: text_tool.sh PROGRAM CLI OUTPUT_DIR}
cli=${2:?usage: text_tool.sh PROGRAM CLI OUTPUT_DIR}
out=${3:?usage: text_tool.sh PROGRAM CLI OUTPUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)
command -v python3 >/dev/null || { echo "$test_name: python3 not found" >&2; exit 1; }
# shellcheck source=window_session.sh
source "$here/window_session.sh"

# No questions on saving; the text in Noto Sans CJK JP at 12 points, black;
# the dialog beside the image, so the preview shows.
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n[Env]\r\nOptFlag=56\r\n[Text]\r\nFontName=Noto Sans CJK JP\r\nFontSize=12\r\nFlag=264\r\nWinX=560\r\nWinY=300\r\n' \
  >"$out/home/config.ini"
# Key T selects tool 16 (the text tool).
python3 - "$out/home/key.dat" <<'PY'
import struct, sys
with open(sys.argv[1], "wb") as f:
    f.write(struct.pack("<H", 1))
    f.write(struct.pack("<H", 0x10 << 8 | ord("T")))
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

# Every character typed below has a key of its own before the program
# starts. Otherwise xdotool binds a spare key to each character in turn
# while typing, and a program that reads the changed keyboard map after
# the next change takes one character for another, or loses it.
text="テスト 한글 Abc"
xkbcomp -xkb "$DISPLAY" "$out/keymap.xkb" 2>>"$out/xkbcomp.log" || fail "could not read the keyboard map"
python3 - "$out/keymap.xkb" "$text" <<'PY' || fail "no spare keys for the text"
import re, sys
path, text = sys.argv[1], sys.argv[2]
wanted = sorted({c for c in text if ord(c) > 0x7e})
keymap = open(path, encoding="utf-8").read()
spare = [f"FK{n}" for n in (13, 14, 15, 16, 17, 18, 20, 21, 22, 23)]
if len(wanted) > len(spare):
    sys.exit("more characters than spare keys")
for key, char in zip(spare, wanted):
    keymap, n = re.subn(rf"key <{key}> \{{[^}}]*\}};", f"key <{key}> {{ [ U{ord(char):04X} ] }};", keymap)
    if n != 1:
        sys.exit(f"key <{key}> not in the keyboard map")
open(path, "w", encoding="utf-8").write(keymap)
PY
xkbcomp "$out/keymap.xkb" "$DISPLAY" 2>>"$out/xkbcomp.log" || fail "could not load the keyboard map"

start "$out/doc.qmd"
main=$(find_window '^Quillmark2 - ')
# The floating panels may take the keyboard as they appear.
tool=$(find_window '^연필 - ')
find_window '^조정$' >/dev/null
focus "$main"

# The image's place on the screen (it must be 200 x 120 at 100 %).
locate "$main" 200 120

# A middle click gives the canvas the keyboard; T picks the text tool (the
# tool window's title follows it).
xdotool mousemove --window "$main" $((ox - 20)) $((oy - 20)) click 2
keys "$main" T
wait_title "$tool" '문자'
click_x=40 click_y=30
xdotool mousemove --window "$main" $((ox + click_x)) $((oy + click_y)) click 1
# The dialog, also titled "문자", is the larger window so named.
dialog=
end=$((SECONDS + limit))
until [ -n "$dialog" ]; do
  for id in $(xdotool search --onlyvisible --name '^문자$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id" 2>/dev/null)"
    [ "${WIDTH:-0}" -ge 300 ] && [ "${HEIGHT:-0}" -ge 250 ] && dialog=$id
  done
  [ -n "$dialog" ] || [ "$SECONDS" -lt "$end" ] || fail "no text dialog within $limit s of the click"
  sleep 0.1
done
# Without a window manager the click on the box puts the keyboard there
# when the dialog has it (the dialog stands at its stored place, WinX, WinY).
focus "$dialog"
xdotool mousemove $((560 + 180)) $((300 + 190)) click 1
xdotool type --delay 80 "$text"
# The live preview: dark pixels on the canvas right of and below the click
# (the main window stands at the screen's origin), once it is drawn.
preview_ok() {
  import -window root "$out/text_dialog.png" 2>/dev/null || return 1
  convert "png:$out/text_dialog.png" "ppm:$out/preview.ppm" || return 1
  python3 - "$out/preview.ppm" $((ox + click_x)) $((oy + click_y)) <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
parts = data.split(maxsplit=4)
w = int(parts[1])
pix = parts[4]
cx, cy = int(sys.argv[2]), int(sys.argv[3])
dark = sum(1 for y in range(cy, cy + 25) for x in range(cx, cx + 130)
           if max(pix[(y * w + x) * 3:(y * w + x) * 3 + 3]) < 128)
if dark < 150:
    sys.exit(f"only {dark} dark pixels where the preview should be")
PY
}
end=$((SECONDS + limit))
until report=$(preview_ok 2>&1); do
  [ "$SECONDS" -lt "$end" ] || fail "no live preview on the canvas: $report"
  sleep 0.2
done
# Ctrl+Enter draws; the dialog closes and the main window gets the keys.
keys "$dialog" ctrl+Return
wait_gone "$dialog"
stamp=$(file_stamp "$out/doc.qmd")
keys "$main" ctrl+s
wait_written "$out/doc.qmd" "$stamp"
"$cli" flatten "$out/doc.qmd" "$out/saved.png" >/dev/null || fail "cli could not read the saved doc.qmd"
convert "png:$out/saved.png" "ppm:$out/saved.ppm"

python3 - "$out/saved.ppm" "$click_x" "$click_y" <<'PY' || fail "the saved text is not where it was placed"
import sys
data = open(sys.argv[1], "rb").read()
parts = data.split(maxsplit=4)
w, h = int(parts[1]), int(parts[2])
pix = parts[4][-w * h * 3:]
cx, cy = int(sys.argv[2]), int(sys.argv[3])
dark = [(x, y) for y in range(h) for x in range(w)
        if max(pix[(y * w + x) * 3:(y * w + x) * 3 + 3]) < 128]
if len(dark) < 150:
    sys.exit(f"only {len(dark)} dark pixels")
x0, x1 = min(p[0] for p in dark), max(p[0] for p in dark)
y0, y1 = min(p[1] for p in dark), max(p[1] for p in dark)
print(f"text box {x0},{y0} .. {x1},{y1}, {len(dark)} dark pixels")
if x0 < cx - 2 or y0 < cy - 2 or y1 > cy + 30:
    sys.exit(f"text at {x0},{y0} .. {x1},{y1}, placed at {cx},{cy}")
# Six CJK characters of 16 pixels and "Abc": far wider than "Abc" alone.
if x1 - x0 < 100:
    sys.exit(f"text only {x1 - x0 + 1} pixels wide: the CJK characters are missing")
PY
quit
echo "$test_name: ok"
