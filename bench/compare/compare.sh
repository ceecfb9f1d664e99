#!/usr/bin/env bash
# Runs each peer's workload beside ours on the same inputs, in one run, and
# prints one line per row: our figure, the peer's, and ours ÷ peer's.
# Not part of `make test`. Usage: bench/compare/compare.sh [build-dir]
# Figures are single-threaded except saving and loading (two threads where
# the machine has them); JPEG gives wall time on both sides and CPU time (the
# peer's estimated from its process, see tj below); saving and loading give
# wall time and, after it, the CPU time of all threads; the command-line rows
# give the CPU time of the whole process (wall beside it); the rest CPU time.
# On a shared, busy machine trust the CPU figures. Rows without a figure print —.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The peers, from Debian packages.
peers=(libjpeg-turbo-progs libvips-tools libvips-dev python3-opencv libmypaint-dev gcc pkg-config)
missing=()
for p in "${peers[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

cmake --build "$build" --target make_compare_inputs bench_codecs bench_paint bench_fill bench_formats bench_psd \
  bench_composite bench_blur quillmark2-cli >&2
gcc -O2 -o "$work/mypaint_driver" "$here/mypaint_driver.c" $(pkg-config --cflags --libs libmypaint) -lm
gcc -O2 -o "$work/vips_gaussblur" "$here/vips_gaussblur.c" $(pkg-config --cflags --libs vips)
"$build/bench/make_compare_inputs" "$work"

export OMP_NUM_THREADS=1
ours() {  # program filter [repetitions] → JSON of its benchmarks (medians)
  "$build/bench/$1" --benchmark_filter="$2" --benchmark_repetitions="${3:-3}" \
    --benchmark_format=json 2>/dev/null
}
ours bench_codecs 'jpeg_encode|png_decode' >"$work/codecs.json"
ours bench_paint 'path_4000|stroke_4000' >"$work/paint.json"
ours bench_fill 'tool_maze' >"$work/fill.json"
ours bench_formats 'native_' 1 >"$work/formats.json"
ours bench_psd 'psd_(save|load)_4000x10' 1 >"$work/psd.json"
ours bench_composite 'flatten_4000|normal_4000$' >"$work/composite.json"
ours bench_blur 'gaussian_s5_4000/1/' >"$work/blur.json"

# The command line on whole files: median CPU time (user + system) and wall
# time of five runs of `info`.
cli() {  # file → "cpu wall"
  /usr/bin/python3 - "$build/src/cli/quillmark2-cli" "$1" <<'PY'
import os, statistics, subprocess, sys, time
cpu, wall = [], []
for _ in range(5):
    t = time.perf_counter()
    p = subprocess.Popen([sys.argv[1], "info", sys.argv[2]], stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(p.pid, 0)
    wall.append(time.perf_counter() - t)
    if status != 0:
        sys.exit("info failed")
    cpu.append(usage.ru_utime + usage.ru_stime)
print(statistics.median(cpu), statistics.median(wall))
PY
}
cli "$work/photo.bmp" >"$work/cli_bmp"
cli "$work/photo.png" >"$work/cli_png"
cli "$work/layers.qmd" >"$work/cli_qmd"
vips_png() {  # the peer decoding the same PNG, CPU time of the process
  /usr/bin/python3 - "$work/photo.png" "$work/out.v" <<'PY'
import os, statistics, subprocess, sys
cpu = []
for _ in range(5):
    p = subprocess.Popen(["vips", "copy", sys.argv[1], sys.argv[2]], env=dict(os.environ, VIPS_CONCURRENCY="1"))
    _, status, usage = os.wait4(p.pid, 0)
    cpu.append(usage.ru_utime + usage.ru_stime)
print(statistics.median(cpu))
PY
  rm -f "$work/out.v"
}
vips_png >"$work/vips_png" || true
# The first painted frame (needs the program built and an X server or Qt's
# offscreen platform); its script prints the median of five runs.
if [ -x "$build/src/app/quillmark2" ]; then
  "$root/bench/first_frame/run.sh" "$build" >&2 || true
fi

# Peers.
tj() {  # subsampling → "wall cpu" seconds per 4000² encode
  # The tool reports wall time only (from megapixels/s); its CPU figure is
  # that scaled by the process's CPU time over its wall time, which the
  # two-second timed loop dominates.
  /usr/bin/python3 - "$work/photo.ppm" "$1" <<'PY'
import os, subprocess, sys, time
t = time.perf_counter()
p = subprocess.Popen(["tjbench", sys.argv[1], "90", "-rgb", "-subsamp", sys.argv[2], "-componly", "-benchtime", "2",
                      "-warmup", "0.5", "-quiet", "-nowrite"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
out = p.stdout.read()
_, status, usage = os.wait4(p.pid, 0)
wall = time.perf_counter() - t
mpix = [float(f[6]) for f in (l.split() for l in out.splitlines()) if len(f) > 6 and "4:" in f[2]][0]
per = 16.0 / mpix
print(per, per * (usage.ru_utime + usage.ru_stime) / wall)
PY
}
tj 444 >"$work/tj444"
tj 420 >"$work/tj420"
"$work/mypaint_driver" dabs "$work/dabs.txt" >"$work/mp_dabs"
# Sigma 5 with min-ampl 0.01 gives 31 taps, as strength 5 does (R = 15).
VIPS_CONCURRENCY=1 "$work/vips_gaussblur" "$work/photo.ppm" 5 >"$work/vips_gauss"
"$work/mypaint_driver" stroke "$work/events.txt" >"$work/mp_stroke"
/usr/bin/python3 - "$work/maze.ppm" >"$work/cv_fill" <<'PY'
import statistics, sys, time
import cv2
cv2.setNumThreads(1)
img = cv2.imread(sys.argv[1], cv2.IMREAD_COLOR)
times = []
for i in range(5):
    colour = (0, 0, 255) if i % 2 == 0 else (255, 0, 0)  # each pass refills the last one's region
    t = time.process_time()
    cv2.floodFill(img, None, (1, 1), colour, flags=4)
    times.append(time.process_time() - t)
print(statistics.median(times))
PY

python3 - "$work" "$build" <<'PY'
import json, os, sys
w = sys.argv[1]
def bench(file, name, real=False):
    runs = [b for b in json.load(open(os.path.join(w, file)))["benchmarks"] if b["name"].startswith(name)]
    # The median of repeated runs, or the one run.
    pick = [b for b in runs if b.get("aggregate_name") == "median"] or runs
    if not pick:
        return None
    b = pick[0]
    return b["real_time" if real else "cpu_time"] / {"ns": 1e9, "us": 1e6, "ms": 1e3, "s": 1}[b["time_unit"]]
def counter(file, name, key):
    runs = [b for b in json.load(open(os.path.join(w, file)))["benchmarks"] if b["name"].startswith(name)]
    return runs[0].get(key) if runs else None
def peer(file, col=0):
    try:
        return float(open(os.path.join(w, file)).read().split()[col])
    except (OSError, ValueError, IndexError):
        return None
def fmt(v):
    return "—" if v is None else f"{v:.3f} s"
def rate(work, wall, cpu, raw_mb, first=None):
    if wall is None:
        print(f"{work:<44} ours —")
        return
    after = f"; the process's first load {fmt(first)} ({raw_mb / first:,.0f} MB/s)" if first else ""
    print(f"{work:<44} ours {fmt(wall):>9} wall ({raw_mb / wall:,.0f} MB/s), CPU {fmt(cpu)} ({raw_mb / cpu:,.0f} MB/s){after}")
def first_frame():
    try:
        b = json.load(open(os.path.join(sys.argv[2], "bench", "first_frame.json")))["benchmarks"][0]
        return b["real_time"] / 1e3
    except (OSError, ValueError, KeyError, IndexError):
        return None
def row(work, ours, theirs, peer_name):
    ratio = f"{ours / theirs:.2f}×" if ours and theirs else "—"
    print(f"{work:<44} ours {fmt(ours):>9}   {peer_name:<26} {fmt(theirs):>9}   ratio {ratio}")
row("First painted frame, 10-layer .qmd (median)", first_frame(), None, "—")
raw = 640.0  # MB of layer pixels, 10 × 4000 × 4000 × 4
rate("Native save, 10 layers", bench("formats.json", "BM_formats_native_save", True), bench("formats.json", "BM_formats_native_save"), raw)
rate("Native load, 10 layers", bench("formats.json", "BM_formats_native_load", True), bench("formats.json", "BM_formats_native_load"), raw,
     counter("formats.json", "BM_formats_native_load", "first_load_s"))
qmd_cpu, qmd_wall = (peer("cli_qmd", 0), peer("cli_qmd", 1))
print(f"{'  the same from the CLI (info, new process)':<44} ours {fmt(qmd_wall):>9} wall ({raw / qmd_wall:,.0f} MB/s), "
      f"CPU {fmt(qmd_cpu)} ({raw / qmd_cpu:,.0f} MB/s)" if qmd_cpu and qmd_wall else "  the same from the CLI                      ours —")
rate("PSD save, 10 layers", bench("psd.json", "BM_psd_save_4000x10", True), bench("psd.json", "BM_psd_save_4000x10"), raw)
rate("PSD load, 10 layers", bench("psd.json", "BM_psd_load_4000x10", True), bench("psd.json", "BM_psd_load_4000x10"), raw,
     counter("psd.json", "BM_psd_load_4000x10", "first_load_s"))
row("JPEG q90 encode 4:4:4 (wall)", bench("codecs.json", "BM_codecs_jpeg_encode_q90_444", True), peer("tj444"), "libjpeg-turbo tjbench")
row("JPEG q90 encode 4:4:4 (CPU)", bench("codecs.json", "BM_codecs_jpeg_encode_q90_444"), peer("tj444", 1), "libjpeg-turbo tjbench")
row("JPEG q90 encode 4:2:0 (wall)", bench("codecs.json", "BM_codecs_jpeg_encode_q90_420", True), peer("tj420"), "libjpeg-turbo tjbench")
row("JPEG q90 encode 4:2:0 (CPU)", bench("codecs.json", "BM_codecs_jpeg_encode_q90_420"), peer("tj420", 1), "libjpeg-turbo tjbench")
row(f"Brush dabs, size 20, {int(peer('mp_dabs', 1) or 0):,} positions", bench("paint.json", "BM_paint_brush_dabs_path_4000"), peer("mp_dabs"), "libmypaint draw_dab")
row(f"Whole Brush stroke, {int(peer('mp_stroke', 1) or 0):,} events", bench("paint.json", "BM_paint_brush_stroke_4000"), peer("mp_stroke"), "libmypaint stroke_to")
row("Flood fill tool, 12-Mpix maze region", bench("fill.json", "BM_fill_tool_maze"), peer("cv_fill"), "OpenCV floodFill 3 ch")
ten = lambda v: None if v is None else 10 * v  # the benchmarks time one layer
row("Flatten 10 layers onto white", ten(bench("composite.json", "BM_composite_flatten_4000")), ten(bench("composite.json", "BM_composite_normal_4000")), "our display composite")
row("Gaussian Blur strength 5, 4000² RGBA", bench("blur.json", "BM_filter_gaussian_s5_4000/1/"), peer("vips_gauss"), "libvips gaussblur σ 5")
bmp_cpu, bmp_wall = (peer("cli_bmp", 0), peer("cli_bmp", 1))
bmp_mb = os.path.getsize(os.path.join(w, "photo.bmp")) / 1e6
print(f"{'BMP 24-bit decode from the CLI (info, %.0f MB)' % bmp_mb:<44} ours {fmt(bmp_cpu):>9} CPU "
      f"({bmp_mb / bmp_cpu:,.0f} MB/s), {fmt(bmp_wall)} wall ({bmp_mb / bmp_wall:,.0f} MB/s)"
      if bmp_cpu and bmp_wall else "BMP 24-bit decode from the CLI               ours —")
png_mb = os.path.getsize(os.path.join(w, "photo.png")) / 1e6
row(f"CLI info on a {png_mb:.0f} MB RGBA PNG (process CPU)", peer("cli_png", 0), bench("codecs.json", "BM_codecs_png_decode_rgba"), "our PNG decoder alone")
row(f"  the same PNG decoded by vips (process CPU)", peer("cli_png", 0), peer("vips_png"), "vips copy, 1 thread")
PY
