#!/usr/bin/env bash
# Drives the real program on its own Xvfb display through its document flows:
#  1. a .qmd named on the command line opens and its picture is shown centred;
#  2. a second instance with a missing file shows "ファイルが存在しません" and
#     keeps its blank document; the instances take "~quillmark", then
#     "~quillmark1", a third "~quillmark2";
#  3. a PSD opens through the open dialog (Ctrl+O);
#  4. save as PNG (Ctrl+W, the PNG options), then the PNG opens again;
#  5. with OptFlag 0x02, closing a modified document asks first: Cancel keeps
#     it, No closes; each instance removes its directory when it ends.
#
# Every step waits for what the program shows (a window, a title, a menu, a
# changed picture) rather than for a fixed time, so a slow machine only
# makes it slower.
#
# usage: main_flows.sh PROGRAM CLI OUTPUT_DIR
# OUTPUT_DIR keeps the logs, the test files and the captures.
set -euo pipefail

program=${1:?usage: main_flows.sh PROGRAM CLI OUTPUT_DIR}
cli=${2:?usage: main_flows.sh PROGRAM CLI OUTPUT_DIR}
out=${3:?usage: main_flows.sh PROGRAM CLI OUTPUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)

test_name=e2e_main_flows
session_seconds=170
# shellcheck source=window_session.sh
source "$here/window_session.sh"
command -v python3 >/dev/null || fail "'python3' not found (scripts/install-deps.sh installs it)"
[ -x "$cli" ] || fail "command-line tool not built: $cli"

# The window at a known place and size, normal; OptFlag 58 asks before
# closing a modified document (0x02) and not before overwriting (0x01).
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n[Env]\r\nWinViewFlag=0\r\nOptFlag=58\r\n' \
  >"$out/home/config.ini"

python3 "$here/make_pattern.py" "$out/pattern.png" 200 120
"$cli" convert "$out/pattern.png" "$out/doc.qmd" >/dev/null || fail "cli could not write doc.qmd"
"$cli" convert "$out/pattern.png" "$out/doc.psd" >/dev/null || fail "cli could not write doc.psd"

# check TAG WIN ARGS...: captures the window until check_picture.py passes
# with ARGS (the first paint may follow the title).
check() {
  local tag=$1 win=$2 report= end=$((SECONDS + limit))
  shift 2
  while :; do
    if capture "$tag" "$win" &&
       report=$(python3 "$here/check_picture.py" "$out/$tag.ppm" "$@" 2>&1); then
      echo "$tag: $report"
      convert "ppm:$out/$tag.ppm" "png:$out/$tag.png"
      return 0
    fi
    [ "$SECONDS" -lt "$end" ] || break
    sleep 0.2
  done
  fail "$tag: ${report:-the window could not be captured}"
}

# expect_dir NAME: a private directory of this user in TMPDIR.
expect_dir() {
  local end=$((SECONDS + limit))
  until [ -d "$TMPDIR/$1" ]; do
    [ "$SECONDS" -lt "$end" ] ||
      fail "no directory $TMPDIR/$1 (have: $(ls -A "$TMPDIR" | tr '\n' ' '))"
    sleep 0.1
  done
  [ "$(stat -c %a "$TMPDIR/$1")" = 700 ] || fail "$TMPDIR/$1 is not private"
}

# --- 1. a document on the command line ---------------------------------------
start_instance a "$out/doc.qmd"
pid_a=$started
win_a=$(wait_window "^Quillmark2 - $out/doc.qmd\$" "$pid_a")
check open_qmd "$win_a" 200x120
expect_dir "~quillmark"

# --- 2. a missing file, a second and a third instance ---------------------------
start_instance b "$out/missing.qmd"
pid_b=$started
box=$(wait_window '^Quillmark2$' "$pid_b")
grep -q 'ファイルが存在しません' "$out/b.log" || fail "instance b did not report the missing file"
keys "$box" Return
wait_gone "$box"
win_b=$(wait_window '^Quillmark2 - 新規作成$' "$pid_b")
check missing_file "$win_b" 300x300 --white
expect_dir "~quillmark1"

start_instance c
pid_c=$started
win_c=$(wait_window '^Quillmark2 - 新規作成$' "$pid_c")
expect_dir "~quillmark2"
echo "instances: ~quillmark, ~quillmark1, ~quillmark2"
# An unmodified document closes without a question.
menu_quit "$win_c" "$pid_c"
wait_exit "$pid_c"
[ "$exit_code" = 0 ] || fail "instance c exited with $exit_code"
[ ! -e "$TMPDIR/~quillmark2" ] || fail "instance c left ~quillmark2 behind"

# --- 3. a PSD through the open dialog -----------------------------------------
keys "$win_a" ctrl+o
open_file '^열기$' "$out/doc.psd"
wait_title "$win_a" "Quillmark2 - $out/doc.psd"
check open_psd "$win_a" 200x120

# --- 4. save as PNG, then open it again ----------------------------------------
keys "$win_a" ctrl+w
dialog=$(wait_window '^다른 이름으로 저장$')
focus "$dialog"
xdotool key ctrl+a
type_into "$dialog" "$out/saved.png"
xdotool key Return
options=$(wait_window '^PNG 저장$')
keys "$options" Return
wait_title "$win_a" "Quillmark2 - $out/saved.png"
"$cli" info "$out/saved.png" | grep -q '200 x 120' || fail "saved.png is not a 200 x 120 picture"
keys "$win_a" ctrl+o
open_file '^열기$' "$out/doc.qmd"
wait_title "$win_a" "Quillmark2 - $out/doc.qmd"
keys "$win_a" ctrl+o
open_file '^열기$' "$out/saved.png"
wait_title "$win_a" "Quillmark2 - $out/saved.png"
check reopened_png "$win_a" 200x120

# --- 5. closing a modified document --------------------------------------------
keys "$win_a" ctrl+Right      # the layer moves one pixel: one undo step
wait_changed reopened_png "$win_a"
menu_quit "$win_a" "$pid_a"
box=$(wait_window '^確認$' "$pid_a")
keys "$box" Escape           # Cancel: the program goes on
wait_gone "$box"
kill -0 "$pid_a" 2>/dev/null || fail "instance a ended although closing was cancelled"
menu_quit "$win_a" "$pid_a"
box=$(wait_window '^確認$' "$pid_a")
keys "$box" n                # No: close without saving
wait_exit "$pid_a"
[ "$exit_code" = 0 ] || fail "instance a exited with $exit_code"
[ ! -e "$TMPDIR/~quillmark" ] || fail "instance a left ~quillmark behind"
grep -q "^OpenDir=$out"$'\r'"\$" "$out/home/config.ini" || fail "config.ini was not written at exit"
echo "closing: asked, cancelled, asked again, closed; settings written"

menu_quit "$win_b" "$pid_b"
wait_exit "$pid_b"
[ ! -e "$TMPDIR/~quillmark1" ] || fail "instance b left ~quillmark1 behind"

echo "e2e_main_flows: PASS"
