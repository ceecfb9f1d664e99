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
# usage: main_flows.sh PROGRAM CLI OUTPUT_DIR
# OUTPUT_DIR keeps the logs, the test files and the captures.
set -euo pipefail

program=${1:?usage: main_flows.sh PROGRAM CLI OUTPUT_DIR}
cli=${2:?usage: main_flows.sh PROGRAM CLI OUTPUT_DIR}
out=${3:?usage: main_flows.sh PROGRAM CLI OUTPUT_DIR}
here=$(cd "$(dirname "$0")" && pwd)

fail() {
  echo "e2e_main_flows: FAIL: $*" >&2
  for log in "$out"/*.log; do
    if [ -s "$log" ]; then echo "--- $log" >&2; tail -n 15 "$log" >&2; fi
  done
  exit 1
}

for tool in Xvfb xdotool xwd convert python3 timeout; do
  command -v "$tool" >/dev/null || fail "'$tool' not found (scripts/install-deps.sh installs it)"
done
[ -x "$program" ] || fail "program not built: $program"
[ -x "$cli" ] || fail "command-line tool not built: $cli"

rm -rf "$out"
mkdir -p "$out/home" "$out/tmp"
chmod 700 "$out/tmp"
pids=()
xvfb_pid=
stop() {
  local pid
  for pid in "${pids[@]}" "$xvfb_pid"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop EXIT
trap 'exit 1' INT TERM HUP

timeout -k 2 170 Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
  3>"$out/display" 2>"$out/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$out/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb exited at start"
  sleep 0.1
done
[ -s "$out/display" ] || fail "Xvfb gave no display number within 10 s"
export DISPLAY=":$(head -n 1 "$out/display")"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
# Sanitizer builds: leaks of system libraries are not ours.
export LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# Private settings and temporary folders: nothing of the user's is touched.
export QUILLMARK2_HOME="$out/home"
export TMPDIR="$out/tmp"
export XDG_RUNTIME_DIR="$out/tmp"

# The window at a known place and size, normal; OptFlag 58 asks before
# closing a modified document (0x02) and not before overwriting (0x01).
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=800\r\nMainBottom=600\r\nMainShowCmd=1\r\n[Env]\r\nWinViewFlag=0\r\nOptFlag=58\r\n' \
  >"$out/home/config.ini"

python3 "$here/make_pattern.py" "$out/pattern.png" 200 120
"$cli" convert "$out/pattern.png" "$out/doc.qmd" >/dev/null || fail "cli could not write doc.qmd"
"$cli" convert "$out/pattern.png" "$out/doc.psd" >/dev/null || fail "cli could not write doc.psd"

# start NAME ARGS...: starts an instance logging to NAME.log; its pid in $started.
started=
start() {
  local name=$1
  shift
  timeout -k 2 150 "$program" "$@" >"$out/$name.log" 2>&1 &
  started=$!
  pids+=("$started")
}

# wait_window REGEX [PID]: the id of the visible window whose name matches
# (of that instance).
wait_window() {
  local regex=$1 id end=$((SECONDS + 20))
  local by_pid=()
  while [ "$SECONDS" -lt "$end" ]; do
    # Instances run under timeout: the window belongs to its child.
    if [ $# -ge 2 ]; then
      local child
      child=$(pgrep -P "$2" | head -n 1 || true)
      [ -n "$child" ] || { sleep 0.2; continue; }
      by_pid=(--all --pid "$child")
    fi
    id=$(xdotool search --onlyvisible "${by_pid[@]}" --name "$regex" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  fail "no window named '$regex' within 20 s"
}

# wait_title WIN TITLE
wait_title() {
  local end=$((SECONDS + 20)) name=
  while [ "$SECONDS" -lt "$end" ]; do
    name=$(xdotool getwindowname "$1" 2>/dev/null || true)
    [ "$name" = "$2" ] && return 0
    sleep 0.2
  done
  fail "window $1 is titled '$name', expected '$2'"
}

# wait_gone WIN
wait_gone() {
  local end=$((SECONDS + 20))
  while [ "$SECONDS" -lt "$end" ]; do
    xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.2
  done
  fail "window $1 is still shown after 20 s"
}

# wait_exit PID: the instance's exit code in $exit_code.
exit_code=
wait_exit() {
  local end=$((SECONDS + 20))
  while kill -0 "$1" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || fail "instance $1 did not end within 20 s"
    sleep 0.2
  done
  exit_code=0
  wait "$1" || exit_code=$?
}

# keys WIN KEY...: focuses the window and types the keys.
keys() {
  local win=$1
  shift
  xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
  sleep 0.2
  xdotool key --delay 60 "$@"
}

# quit WIN: File > Quit through the menu's keys (the menu needs a moment to
# open before its item's key reaches it).
quit() {
  keys "$1" alt+f
  sleep 0.8
  xdotool key x
}

# check TAG WIN ARGS...: captures the window until check_picture.py passes
# with ARGS (the first paint may follow the title) or 10 s have gone.
check() {
  local tag=$1 win=$2 report= end=$((SECONDS + 10))
  shift 2
  while :; do
    if xwd -silent -id "$win" -out "$out/$tag.xwd" 2>>"$out/xwd.log" &&
       convert "xwd:$out/$tag.xwd" "ppm:$out/$tag.ppm" 2>>"$out/convert.log" &&
       report=$(python3 "$here/check_picture.py" "$out/$tag.ppm" "$@" 2>&1); then
      echo "$tag: $report"
      convert "ppm:$out/$tag.ppm" "png:$out/$tag.png"
      return 0
    fi
    [ "$SECONDS" -lt "$end" ] || break
    sleep 0.3
  done
  fail "$tag: ${report:-the window could not be captured}"
}

# expect_dir NAME: a private directory of this user in TMPDIR.
expect_dir() {
  [ -d "$TMPDIR/$1" ] || fail "no directory $TMPDIR/$1 (have: $(ls -A "$TMPDIR" | tr '\n' ' '))"
  [ "$(stat -c %a "$TMPDIR/$1")" = 700 ] || fail "$TMPDIR/$1 is not private"
}

# --- 1. a document on the command line ---------------------------------------
start a "$out/doc.qmd"
pid_a=$started
win_a=$(wait_window "^Quillmark2 - $out/doc.qmd\$" "$pid_a")
check open_qmd "$win_a" 200x120
expect_dir "~quillmark"

# --- 2. a missing file, a second and a third instance ---------------------------
start b "$out/missing.qmd"
pid_b=$started
box=$(wait_window '^Quillmark2$' "$pid_b")
grep -q 'ファイルが存在しません' "$out/b.log" || fail "instance b did not report the missing file"
keys "$box" Return
wait_gone "$box"
win_b=$(wait_window '^Quillmark2 - 新規作成$' "$pid_b")
check missing_file "$win_b" 300x300 --white
expect_dir "~quillmark1"

start c
pid_c=$started
win_c=$(wait_window '^Quillmark2 - 新規作成$' "$pid_c")
for _ in $(seq 50); do [ -d "$TMPDIR/~quillmark2" ] && break; sleep 0.1; done
expect_dir "~quillmark2"
echo "instances: ~quillmark, ~quillmark1, ~quillmark2"
# An unmodified document closes without a question.
quit "$win_c"
wait_exit "$pid_c"
[ "$exit_code" = 0 ] || fail "instance c exited with $exit_code"
[ ! -e "$TMPDIR/~quillmark2" ] || fail "instance c left ~quillmark2 behind"

# --- 3. a PSD through the open dialog -----------------------------------------
keys "$win_a" ctrl+o
dialog=$(wait_window '^열기$')
sleep 0.3
xdotool windowfocus "$dialog"
xdotool type --delay 15 "$out/doc.psd"
xdotool key Return
wait_title "$win_a" "Quillmark2 - $out/doc.psd"
check open_psd "$win_a" 200x120

# --- 4. save as PNG, then open it again ----------------------------------------
keys "$win_a" ctrl+w
dialog=$(wait_window '^다른 이름으로 저장$')
sleep 0.3
xdotool windowfocus "$dialog"
xdotool key ctrl+a
xdotool type --delay 15 "$out/saved.png"
xdotool key Return
options=$(wait_window '^PNG 저장$')
keys "$options" Return
wait_title "$win_a" "Quillmark2 - $out/saved.png"
"$cli" info "$out/saved.png" | grep -q '200 x 120' || fail "saved.png is not a 200 x 120 picture"
keys "$win_a" ctrl+o
dialog=$(wait_window '^열기$')
sleep 0.3
xdotool windowfocus "$dialog"
xdotool type --delay 15 "$out/doc.qmd"
xdotool key Return
wait_title "$win_a" "Quillmark2 - $out/doc.qmd"
keys "$win_a" ctrl+o
dialog=$(wait_window '^열기$')
sleep 0.3
xdotool windowfocus "$dialog"
xdotool type --delay 15 "$out/saved.png"
xdotool key Return
wait_title "$win_a" "Quillmark2 - $out/saved.png"
check reopened_png "$win_a" 200x120

# --- 5. closing a modified document --------------------------------------------
keys "$win_a" ctrl+Right      # the layer moves one pixel: one undo step
quit "$win_a"
box=$(wait_window '^確認$')
keys "$box" Escape           # Cancel: the program goes on
wait_gone "$box"
kill -0 "$pid_a" 2>/dev/null || fail "instance a ended although closing was cancelled"
quit "$win_a"
box=$(wait_window '^確認$')
keys "$box" n                # No: close without saving
wait_exit "$pid_a"
[ "$exit_code" = 0 ] || fail "instance a exited with $exit_code"
[ ! -e "$TMPDIR/~quillmark" ] || fail "instance a left ~quillmark behind"
grep -q "^OpenDir=$out"$'\r'"\$" "$out/home/config.ini" || fail "config.ini was not written at exit"
echo "closing: asked, cancelled, asked again, closed; settings written"

quit "$win_b"
wait_exit "$pid_b"
[ ! -e "$TMPDIR/~quillmark1" ] || fail "instance b left ~quillmark1 behind"

echo "e2e_main_flows: PASS"
