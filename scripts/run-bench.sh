#!/usr/bin/env bash
# Runs every benchmark program of the build, prints the figures and collects
# them as Google Benchmark JSON in <build>/bench.json.
set -euo pipefail
build=${1:-build}
out="$build/bench.json"
parts=()
for prog in "$build"/bench/bench_*; do
  [ -x "$prog" ] || continue
  part="$build/bench/$(basename "$prog").json"
  "$prog" --benchmark_out="$part" --benchmark_out_format=json ${BENCH_ARGS:-}
  parts+=("$part")
done
# The program's time to its first frame (skipped when the program is not built).
bash "$(dirname "$0")/../bench/first_frame/run.sh" "$build"
if [ -s "$build/bench/first_frame.json" ]; then parts+=("$build/bench/first_frame.json"); fi
python3 - "$out" "${parts[@]}" <<'PY'
import json, sys
out, parts = sys.argv[1], sys.argv[2:]
merged = {"context": None, "benchmarks": []}
for p in parts:
    with open(p) as f:
        d = json.load(f)
    merged["context"] = merged["context"] or d.get("context")
    merged["benchmarks"] += d.get("benchmarks", [])
with open(out, "w") as f:
    json.dump(merged, f, indent=1)
print(f"wrote {out} ({len(merged['benchmarks'])} results)")
PY
