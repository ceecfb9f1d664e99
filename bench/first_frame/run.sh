#!/usr/bin/env bash
# Times the program from process start to the first painted frame of a
# 4000 x 4000 document with 10 layers named on its command line: the
# program's --bench-first-frame prints the time at that paint and quits.
# Runs it RUNS times (default 5) and reports the median, also as Google
# Benchmark JSON in <build>/bench/first_frame.json.
#
# usage: bench/first_frame/run.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
runs=${RUNS:-5}
program="$build/src/app/quillmark2"
maker="$build/bench/make_first_frame_document"
if [ ! -x "$program" ] || [ ! -x "$maker" ]; then
  echo "first frame: $program or $maker not built; skipped"
  exit 0
fi
doc="$build/bench/first_frame_4000x4000x10.qmd"
[ -s "$doc" ] || "$maker" "$doc" 4000 4000 10 >/dev/null

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/tmp"
chmod 700 "$work/tmp"
export QUILLMARK2_HOME="$work/home" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/tmp"
printf '[Window]\r\nMainLeft=0\r\nMainTop=0\r\nMainRight=1024\r\nMainBottom=768\r\nMainShowCmd=1\r\n' \
  >"$work/home/config.ini"
# A real X server when there is one to start, else Qt's offscreen platform
# (the same paint path, without the server's round trips).
if command -v Xvfb >/dev/null; then
  timeout -k 2 600 Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$work/display")" QT_QPA_PLATFORM=xcb
  platform=xcb
else
  export QT_QPA_PLATFORM=offscreen
  platform=offscreen
fi

times=()
for i in $(seq "$runs"); do
  line=$(timeout 120 "$program" --bench-first-frame "$doc" 2>/dev/null | grep '^first-frame-ms' || true)
  [ -n "$line" ] || { echo "first frame: run $i printed no time" >&2; exit 1; }
  times+=("$(awk '{print $2}' <<<"$line")")
done
python3 - "$build/bench/first_frame.json" "$platform" "${times[@]}" <<'PY'
import json, statistics, sys
out, platform, times = sys.argv[1], sys.argv[2], [float(t) for t in sys.argv[3:]]
median = statistics.median(times)
print(f"BM_app_first_frame_4000x4000x10 ({platform}): median {median:.0f} ms "
      f"over {len(times)} runs (min {min(times):.0f}, max {max(times):.0f})")
with open(out, "w") as f:
    json.dump({"context": {"platform": platform},
               "benchmarks": [{"name": "BM_app_first_frame_4000x4000x10", "run_type": "iteration",
                               "iterations": len(times), "real_time": median, "cpu_time": median,
                               "time_unit": "ms", "min_ms": min(times), "max_ms": max(times)}]},
              f, indent=1)
PY
