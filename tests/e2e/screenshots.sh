#!/usr/bin/env bash
# Makes the documentation's screenshots of the main window: a document open
# at 100 %, and at 400 % with the 1-pixel grid (GridPixelPer 4). Not a test;
# run it by hand after a change to the window:
#
#   bash tests/e2e/screenshots.sh build/src/app/quillmark2 build/src/cli/quillmark2-cli docs
set -euo pipefail

program=${1:?usage: screenshots.sh PROGRAM CLI DOCS_DIR}
cli=${2:?usage: screenshots.sh PROGRAM CLI DOCS_DIR}
docs=${3:?usage: screenshots.sh PROGRAM CLI DOCS_DIR}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb_pid=
app_pid=
stop() {
  for pid in "$app_pid" "$xvfb_pid"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop EXIT

fail() { echo "screenshots: $*" >&2; exit 1; }
# shellcheck source=xvfb_start.sh
source "$here/xvfb_start.sh"
start_xvfb "$work" 60 1280x1024x24
mkdir -p "$work/home" "$work/tmp"
chmod 700 "$work/tmp"
export QUILLMARK2_HOME="$work/home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/tmp"
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=900\r\nMainBottom=640\r\nMainShowCmd=1\r\n[Env]\r\nGridPixelPer=4\r\n' \
  >"$work/home/config.ini"

python3 "$here/make_illustration.py" "$work/landscape.png" 320 200
"$cli" convert "$work/landscape.png" "$work/landscape.qmd" >/dev/null
timeout -k 2 50 "$program" "$work/landscape.qmd" >"$work/app.log" 2>&1 &
app_pid=$!
win=
for _ in $(seq 100); do
  win=$(xdotool search --onlyvisible --name '^Quillmark2 - .*landscape.qmd$' 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.2
done
[ -n "$win" ] || { echo "screenshots: no window" >&2; exit 1; }
sleep 1
xdotool mousemove --window "$win" 450 330
sleep 0.3
xwd -silent -id "$win" | convert xwd:- "png:$docs/main-window-100.png"
# Ctrl + wheel: 200, 300, 400 %.
xdotool keydown ctrl
for _ in 1 2 3; do xdotool click 4; sleep 0.3; done
xdotool keyup ctrl
sleep 0.8
xwd -silent -id "$win" | convert xwd:- "png:$docs/main-window-400-grid.png"
echo "wrote $docs/main-window-100.png and $docs/main-window-400-grid.png"
