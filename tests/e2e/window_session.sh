# Sourced by the end-to-end scripts that drive the program's windows: a
# private Xvfb, the program's environment (settings and temporary folders
# under $out), and helpers to find, place and close its windows.
# The caller sets test_name, program, out and here first (session_seconds,
# the display's lifetime, when 80 s is not enough; session_screen for
# another screen size), then writes $out/home/config.ini and calls start.
# Scripts that run several instances add their pids to session_pids, which
# are stopped at exit too.
#
# Every helper waits for what the program shows (a window, a title, the
# keyboard focus, a changed picture, a written file) up to $limit seconds
# rather than for a fixed time, so a slow machine only makes a run slower.

fail() {
  echo "$test_name: FAIL: $*" >&2
  # What was on the screen, for the reader of the log.
  if [ -n "${DISPLAY:-}" ] && [ -n "${xvfb_pid:-}" ]; then
    xwd -silent -root -out "$out/failure.xwd" 2>/dev/null && convert "xwd:$out/failure.xwd" "png:$out/failure.png" 2>/dev/null
    echo "--- windows on the screen:" >&2
    xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | sort -u >&2 || true
  fi
  for log in "$out"/*.log; do
    if [ -s "$log" ]; then echo "--- $log" >&2; tail -n 20 "$log" >&2; fi
  done
  exit 1
}

for tool in Xvfb xdotool xwd convert timeout xkbcomp; do
  command -v "$tool" >/dev/null || fail "'$tool' not found (scripts/install-deps.sh installs it)"
done
[ -x "$program" ] || fail "program not built: $program"
# Nothing from an earlier run may answer for this one (a file left there
# changes what a save dialog asks): the output folder starts empty.
case $(cd "$(dirname "$out")" 2>/dev/null && pwd)/$(basename "$out") in
  / | "$HOME" | /tmp | /tmp/) fail "refusing to empty '$out'" ;;
esac
rm -rf "$out"
mkdir -p "$out"

# Deadline of every wait below.
limit=${limit:-45}

xvfb_pid=
app_pid=
session_pids=()
stop() {
  local pid
  for pid in "$app_pid" "${session_pids[@]}" "$xvfb_pid"; do
    [ -n "$pid" ] || continue
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop EXIT
trap 'exit 1' INT TERM HUP

# This folder: scripts of other folders source this file too.
session_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=xvfb_start.sh
source "$session_dir/xvfb_start.sh"
start_xvfb "$out" "${session_seconds:-80}" "${session_screen:-1024x768x24}"
export LSAN_OPTIONS="suppressions=$session_dir/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
mkdir -p "$out/home" "$out/tmp"
chmod 700 "$out/tmp"
export QUILLMARK2_HOME="$out/home" TMPDIR="$out/tmp" XDG_RUNTIME_DIR="$out/tmp"

# start [ARGS...]: the program, logging to app.log, in $app_pid; it lives
# no longer than the display.
start() {
  timeout -k 2 "$(( ${session_seconds:-80} - 5 ))" "$program" "$@" >>"$out/app.log" 2>&1 &
  app_pid=$!
}

# start_instance NAME ARGS...: another instance logging to NAME.log; its
# pid in $started.
started=
start_instance() {
  local name=$1
  shift
  timeout -k 2 "$(( ${session_seconds:-80} - 5 ))" "$program" "$@" >"$out/$name.log" 2>&1 &
  started=$!
  session_pids+=("$started")
}

# The instance's own process (it runs under timeout), once it exists.
child_of() { pgrep -P "$1" | head -n 1 || true; }

# shown_windows PID: the ids of the instance's visible windows (by class: a
# menu's window may have no name).
shown_windows() {
  local child
  child=$(child_of "$1")
  [ -n "$child" ] || return 0
  xdotool search --all --onlyvisible --pid "$child" --class . 2>/dev/null | sort || true
}

# wait_window REGEX [PID]: the id of the visible window whose name matches
# (of that instance, which must still run).
wait_window() {
  local regex=$1 id end=$((SECONDS + limit)) child
  local by_pid=()
  while [ "$SECONDS" -lt "$end" ]; do
    if [ $# -ge 2 ]; then
      kill -0 "$2" 2>/dev/null || fail "instance $2 ended before showing '$regex'"
      child=$(child_of "$2")
      [ -n "$child" ] || { sleep 0.1; continue; }
      by_pid=(--all --pid "$child")
    fi
    id=$(xdotool search --onlyvisible "${by_pid[@]}" --name "$regex" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  fail "no window named '$regex' within $limit s"
}

# find_window REGEX: the program's ($app_pid) visible window so named.
find_window() { wait_window "$1" "$app_pid"; }

# visible WIN: 0 when the window is mapped.
visible() { xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"; }

# wait_shown WIN / wait_gone WIN: the window is mapped / unmapped.
wait_shown() {
  local end=$((SECONDS + limit))
  until visible "$1"; do
    [ "$SECONDS" -lt "$end" ] || fail "window $1 is not shown after $limit s"
    sleep 0.1
  done
}
wait_gone() {
  local end=$((SECONDS + limit))
  while visible "$1"; do
    [ "$SECONDS" -lt "$end" ] || fail "window $1 is still shown after $limit s"
    sleep 0.1
  done
}

# wait_title WIN TITLE
wait_title() {
  local end=$((SECONDS + limit)) name=
  while [ "$SECONDS" -lt "$end" ]; do
    name=$(xdotool getwindowname "$1" 2>/dev/null || true)
    [ "$name" = "$2" ] && return 0
    sleep 0.1
  done
  fail "window $1 is titled '$name', expected '$2'"
}

# place WIN: "x y" of the window on screen.
place() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y"
}

# wait_place WIN X Y
wait_place() {
  local end=$((SECONDS + limit)) at=
  while [ "$SECONDS" -lt "$end" ]; do
    at=$(place "$1")
    [ "$at" = "$2 $3" ] && return 0
    sleep 0.1
  done
  fail "window $1 is at $at, expected $2 $3"
}

# wait_exit PID: the instance's exit code in $exit_code.
exit_code=
wait_exit() {
  local end=$((SECONDS + limit))
  while kill -0 "$1" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || fail "instance $1 did not end within $limit s"
    sleep 0.1
  done
  exit_code=0
  wait "$1" || exit_code=$?
}

# focus WIN: the keyboard goes to the window from the next key on. Without
# a window manager a window the program shows late may take the focus, so
# every key sequence checks it first.
focus() {
  local end=$((SECONDS + limit))
  while [ "$(xdotool getwindowfocus 2>/dev/null || true)" != "$1" ]; do
    [ "$SECONDS" -lt "$end" ] || fail "window $1 does not take the keyboard focus"
    xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1" 2>/dev/null || true
    sleep 0.05
  done
}

# keys WIN KEY...: focuses the window and types the keys.
keys() {
  local win=$1
  shift
  focus "$win"
  xdotool key --delay 30 "$@"
}

# type_into WIN TEXT: focuses a dialog and types into its focused field.
type_into() {
  focus "$1"
  xdotool type --delay 10 "$2"
}

# open_menu PID KEY...: types the keys (to whatever has the keyboard) and
# returns once the instance shows one window more: the menu they open.
open_menu() {
  local pid=$1 before after end=$((SECONDS + limit))
  shift
  before=$(shown_windows "$pid")
  xdotool key --delay 30 "$@"
  while :; do
    after=$(shown_windows "$pid")
    [ -n "$(comm -13 <(echo "$before") <(echo "$after"))" ] && return 0
    [ "$SECONDS" -lt "$end" ] || fail "no menu opened on '$*' within $limit s"
    sleep 0.1
  done
}

# menu_quit WIN PID: File > Quit through the menu's keys; the item's key
# goes out once the menu is on screen.
menu_quit() {
  focus "$1"
  open_menu "$2" alt+f
  xdotool key x
}

# quit: the program ($main, $app_pid) quits through its menu and ends well.
quit() {
  menu_quit "$main" "$app_pid"
  wait_exit "$app_pid"
  [ "$exit_code" = 0 ] || fail "quillmark2 ended with code $exit_code"
  app_pid=
}

# tab: Tab in the main window (the caller waits for what it hides or shows).
tab() { keys "$main" Tab; }

# capture TAG WIN: the window as $out/TAG.ppm.
capture() {
  xwd -silent -id "$2" -out "$out/$1.xwd" 2>>"$out/xwd.log" &&
    convert "xwd:$out/$1.xwd" "ppm:$out/$1.ppm" 2>>"$out/convert.log"
}

# wait_changed TAG WIN: captures the window until it differs from TAG.ppm.
wait_changed() {
  local end=$((SECONDS + limit))
  while :; do
    capture "$1-after" "$2" && ! cmp -s "$out/$1.ppm" "$out/$1-after.ppm" && return 0
    [ "$SECONDS" -lt "$end" ] || fail "$1: the window did not change within $limit s"
    sleep 0.2
  done
}

# locate WIN W H: captures the window until find_image.py finds the image,
# W x H, on it; its place in $ox $oy.
ox=0
oy=0
locate() {
  local got= gw gh end=$((SECONDS + limit))
  while :; do
    if capture locate "$1" && got=$(python3 "$session_dir/find_image.py" "$out/locate.ppm" 2>&1); then
      read -r ox oy gw gh <<<"$got"
      [ "$gw" = "$2" ] && [ "$gh" = "$3" ] && return 0
    fi
    [ "$SECONDS" -lt "$end" ] || fail "image on screen is '$got', expected $2 x $3"
    sleep 0.2
  done
}

# file_stamp FILE: changes whenever FILE is written (saves replace the file
# by a rename, so its inode changes too).
file_stamp() { stat -c '%i %y %s' "$1" 2>/dev/null || true; }

# wait_written FILE STAMP: FILE is there, non-empty, and no longer STAMP.
wait_written() {
  local end=$((SECONDS + limit))
  until [ -s "$1" ] && [ "$(file_stamp "$1")" != "$2" ]; do
    [ "$SECONDS" -lt "$end" ] || fail "$(basename "$1") was not written within $limit s"
    sleep 0.1
  done
}

# open_file DIALOG_TITLE PATH: the file dialog opened by the keys that were
# just sent gets PATH typed and Return; it closes.
open_file() {
  local dialog
  dialog=$(wait_window "$1")
  type_into "$dialog" "$2"
  xdotool key Return
  wait_gone "$dialog"
}
