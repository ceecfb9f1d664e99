#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for a bounded time each:
#   fuzz/run-fuzz.sh BUILD_DIR SECONDS [TARGET...]
# Seeds come from fuzz/corpus/<target> (copied, so the repository's seeds stay
# small); findings land in BUILD_DIR/fuzz-findings/<target>/. Exits non-zero
# when any target found something; copy a finding into
# tests/formats/crashers/<target>/ once the reader is mended.
set -uo pipefail
build=${1:?build directory}
seconds=${2:-60}
shift 2 || true
here=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for prog in "$build"/fuzz/fuzz_*; do
    [ -x "$prog" ] && targets+=("$(basename "$prog" | sed 's/^fuzz_//')")
  done
fi
[ ${#targets[@]} -gt 0 ] || { echo "run-fuzz: no fuzz targets in $build/fuzz" >&2; exit 2; }

failed=()
for t in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$t"
  findings="$build/fuzz-findings/$t"
  mkdir -p "$corpus" "$findings"
  [ -d "$here/corpus/$t" ] && cp -n "$here/corpus/$t"/* "$corpus"/ 2>/dev/null
  dict=()
  [ -f "$here/dict/$t.dict" ] && dict=(-dict="$here/dict/$t.dict")
  echo "== fuzz_$t for ${seconds}s"
  # One worker (the machine is shared); 2 GiB is far above what any input
  # may legitimately take under the targets' limits.
  if ! "$build/fuzz/fuzz_$t" "$corpus" "${dict[@]}" -max_total_time="$seconds" \
       -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 \
       -artifact_prefix="$findings/" 2>"$build/fuzz-findings/$t.log"; then
    failed+=("$t")
    tail -40 "$build/fuzz-findings/$t.log"
  fi
  grep -E "^(stat::number_of_executed_units|stat::new_units_added|Done)" "$build/fuzz-findings/$t.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "run-fuzz: findings in: ${failed[*]} (see $build/fuzz-findings/)" >&2
  exit 1
fi
echo "run-fuzz: no findings in ${#targets[@]} target(s), ${seconds}s each"
