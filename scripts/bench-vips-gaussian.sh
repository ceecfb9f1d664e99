#!/usr/bin/env bash
# Gaussian Blur strength 5 (31 taps) beside libvips' gaussblur with the same
# tap count (sigma 5, min-ampl 0.01) on a 4000 × 4000 four-band image, both
# on one thread, in one run. Needs the `vips` tool (Debian: libvips-tools),
# which the project itself does not use; vips' time includes reading and
# writing its .v files (memory-mapped, a few per cent).
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
vips gaussnoise "$work/n.v" 4000 4000 --mean 128 --sigma 40
vips cast "$work/n.v" "$work/u.v" uchar
vips bandjoin "$work/u.v $work/u.v $work/u.v $work/u.v" "$work/in.v"
for _ in 1 2 3; do
  "$build/bench/bench_blur" --benchmark_filter='BM_filter_gaussian_s5_4000/1/' 2>/dev/null | grep BM_
  /usr/bin/time -f "vips gaussblur sigma 5: %e s wall, %U s user" \
    env VIPS_CONCURRENCY=1 vips gaussblur "$work/in.v" "$work/out.v" 5 --min-ampl 0.01
done
