#!/usr/bin/env bash
# Installs the build into a private prefix and checks what the desktop sees:
#  1. the files land where menus, file managers and man look for them;
#  2. desktop-file-validate accepts the desktop entry;
#  3. with XDG_DATA_HOME at the prefix, xdg-mime tells our types by name and
#     by content;
#  4. the thumbnailer entry's command makes PNGs of the requested size, the
#     right way up, for a .qmd, a .lfw and a .psd;
#  5. the installed program starts under Xvfb with a file and shows it;
#  6. uninstalling removes everything it installed.
#
# usage: install_test.sh SOURCE_DIR BUILD_DIR OUTPUT_DIR
set -euo pipefail

src=${1:?usage: install_test.sh SOURCE_DIR BUILD_DIR OUTPUT_DIR}
build=${2:?usage: install_test.sh SOURCE_DIR BUILD_DIR OUTPUT_DIR}
out=${3:?usage: install_test.sh SOURCE_DIR BUILD_DIR OUTPUT_DIR}
e2e=$src/tests/e2e

fail() {
  echo "packaging_install: FAIL: $*" >&2
  for log in "$out"/*.log; do
    if [ -s "$log" ]; then echo "--- $log" >&2; tail -n 15 "$log" >&2; fi
  done
  exit 1
}

for tool in cmake desktop-file-validate xdg-mime update-mime-database mimetype Xvfb xdotool xwd xprop \
            convert identify python3 timeout; do
  command -v "$tool" >/dev/null || fail "'$tool' not found (scripts/install-deps.sh installs it)"
done
rm -rf "$out"
mkdir -p "$out/home" "$out/tmp" "$out/files"
chmod 700 "$out/tmp"
prefix=$out/prefix
share=$prefix/share

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

# The desktop's own choices must not steer xdg-mime away from the generic
# (shared-mime-info) lookup.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID

# --- 1. install -----------------------------------------------------------------
bash "$src/scripts/prefix-install.sh" install "$build" "$prefix" >"$out/install.log" 2>&1 ||
  fail "installing into $prefix failed"
for f in bin/quillmark2 bin/quillmark2-cli; do
  [ -x "$prefix/$f" ] || fail "$f is not installed"
done
for f in share/quillmark2/help.html share/applications/quillmark2.desktop \
         share/mime/packages/quillmark2.xml share/thumbnailers/quillmark2.thumbnailer \
         share/icons/hicolor/scalable/apps/quillmark2.svg; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/quillmark2.png
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  [ "$(identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "the ${size}x${size} icon has another size"
done
for page in quillmark2 quillmark2-cli; do
  man=$share/man/man1/$page.1.gz
  [ -f "$man" ] || fail "no man page $page.1.gz"
  zgrep -q '^\.SH NAME' "$man" || fail "$page.1.gz is not a man page"
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man" 2>&1 >/dev/null || echo "man failed")
    [ -z "$warnings" ] || fail "$page.1.gz: $warnings"
  fi
done
echo "installed: $(wc -l <"$share/quillmark2/installed-files.txt") files"

# --- 2. the desktop entry ----------------------------------------------------------
entry=$share/applications/quillmark2.desktop
desktop-file-validate "$entry" >"$out/validate.log" 2>&1 || fail "desktop-file-validate rejects the entry"
grep -qx "Exec=$prefix/bin/quillmark2 %f" "$entry" || fail "the entry does not start $prefix/bin/quillmark2 with %f"
grep -qx 'Categories=Graphics;2DGraphics;RasterGraphics;' "$entry" || fail "wrong categories"
for type in application/x-quillmark2-document application/x-lineforge-document image/vnd.adobe.photoshop; do
  grep -q "^MimeType=.*$type;" "$entry" || fail "the entry does not open $type"
done
echo "desktop entry: valid"

# --- 3. MIME types ----------------------------------------------------------------
python3 "$e2e/make_pattern.py" "$out/files/pattern.png" 200 120
cli=$prefix/bin/quillmark2-cli
for ext in qmd lfw psd; do
  "$cli" convert "$out/files/pattern.png" "$out/files/doc.$ext" >/dev/null || fail "cli could not write doc.$ext"
done
cp "$out/files/doc.qmd" "$out/files/unnamed"
filetype() { XDG_DATA_HOME=$share xdg-mime query filetype "$1"; }
check_type() {
  local got
  got=$(filetype "$1")
  [ "$got" = "$2" ] || fail "xdg-mime calls $(basename "$1") '$got', expected '$2'"
}
check_type "$out/files/doc.qmd" application/x-quillmark2-document
check_type "$out/files/doc.lfw" application/x-lineforge-document
check_type "$out/files/unnamed" application/x-quillmark2-document  # by the magic alone
echo "mime: .qmd, .lfw and a nameless .qmd recognised"

# --- 4. thumbnails through the installed thumbnailer entry -------------------------
exec_line=$(sed -n 's/^Exec=//p' "$share/thumbnailers/quillmark2.thumbnailer")
[ -n "$exec_line" ] || fail "the thumbnailer entry has no Exec"
# thumbnail IN OUT SIZE: runs the entry's command the way a file manager does.
thumbnail() {
  local cmd=${exec_line//%i/$1}
  cmd=${cmd//%o/$2}
  cmd=${cmd//%s/$3}
  # The paths hold no spaces; the entry's words split like a file manager's.
  $cmd || fail "the thumbnailer failed on $(basename "$1")"
}
pixel() { convert "$1" -format "%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)]" -crop "1x1+$2+$3" info:; }
# near R,G,B R,G,B: every channel within 12 (the PSD thumbnail is a JPEG).
near() {
  local a b i
  IFS=, read -r -a a <<<"$1"
  IFS=, read -r -a b <<<"$2"
  for i in 0 1 2; do
    [ $(( a[i] > b[i] ? a[i] - b[i] : b[i] - a[i] )) -le 12 ] || return 1
  done
}
for ext in qmd lfw psd; do
  for size in 128 48; do
    png=$out/files/thumb-$ext-$size.png
    thumbnail "$out/files/doc.$ext" "$png" "$size"
    # 200 x 120 fitted: the longer side is the size, the other in proportion.
    expect="${size}x$(( (120 * size * 2 + 200) / 400 ))"
    got=$(identify -format '%m %wx%h' "$png")
    [ "$got" = "PNG $expect" ] || fail "thumbnail of doc.$ext at $size is '$got', expected 'PNG $expect'"
    # Quadrants: red top left, yellow bottom right (the way up is kept).
    w=${expect%x*}
    h=${expect#*x}
    tl=$(pixel "$png" 2 2)
    br=$(pixel "$png" $((w - 3)) $((h - 3)))
    near "$tl" 255,0,0 && near "$br" 255,220,0 ||
      fail "thumbnail of doc.$ext at $size shows $tl top left and $br bottom right"
  done
done
echo "thumbnails: .qmd, .lfw, .psd at 128 and 48"

# --- 5. the installed program with a file ------------------------------------------
source "$e2e/xvfb_start.sh"
start_xvfb "$out" 50
export LSAN_OPTIONS="suppressions=$e2e/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export QUILLMARK2_HOME="$out/home" TMPDIR="$out/tmp" XDG_RUNTIME_DIR="$out/tmp"
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n' \
  >"$out/home/config.ini"
doc=$out/files/doc.qmd
timeout -k 2 45 "$prefix/bin/quillmark2" "$doc" >"$out/app.log" 2>&1 &
app_pid=$!
title="Quillmark2 - $doc"
win=
deadline=$((SECONDS + 20))
while [ "$SECONDS" -lt "$deadline" ]; do
  kill -0 "$app_pid" 2>/dev/null || fail "the installed quillmark2 exited before showing its window"
  win=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.2
done
[ -n "$win" ] || fail "no visible window titled '$title' within 20 s"
report=
end=$((SECONDS + 10))
until xwd -silent -id "$win" -out "$out/window.xwd" 2>>"$out/xwd.log" &&
      convert "xwd:$out/window.xwd" "ppm:$out/window.ppm" 2>>"$out/convert.log" &&
      report=$(python3 "$e2e/check_picture.py" "$out/window.ppm" 200x120 2>&1); do
  [ "$SECONDS" -lt "$end" ] || fail "the window does not show doc.qmd: ${report:-no capture}"
  sleep 0.3
done
echo "program: $report"
icon=$(xprop -id "$win" _NET_WM_ICON)
grep -q 'Icon (48 x 48)' <<<"$icon" || fail "the window has no 48 x 48 icon"
stop
app_pid=
xvfb_pid=

# --- 6. uninstall -------------------------------------------------------------------
bash "$src/scripts/prefix-install.sh" uninstall "$prefix" >"$out/uninstall.log" 2>&1 ||
  fail "uninstalling from $prefix failed"
# Only the databases rebuilt from what is left may remain.
left=$(cd "$prefix" && find . -type f ! -path './share/mime/*' ! -name mimeinfo.cache | sort)
[ -z "$left" ] || fail "uninstall left: $left"
got=$(filetype "$out/files/doc.qmd")
[ "$got" != application/x-quillmark2-document ] || fail "the MIME type is still known after uninstalling"
echo "uninstall: nothing left"

echo "packaging_install: PASS"
