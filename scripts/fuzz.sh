#!/usr/bin/env bash
# Builds the fuzz targets (preset fuzz) and runs them side by side, each for
# at most SECONDS_PER_TARGET seconds and RUNS_PER_TARGET inputs, starting from
# the test images and the inputs kept in tests/data/fuzz. Fails on any
# finding: a crash, a sanitizer report, a leak, an input that takes over 30 s,
# or an allocation over 1 GiB (no input of a few kilobytes may claim that
# much). Finding inputs are written to build/fuzz/findings, the logs to
# build/fuzz/logs; the corpus grows in build/fuzz/corpus from run to run.
# Then every input of the corpus goes through the pipeline once more under
# Valgrind, which finds reads of memory that nothing wrote (the sanitizers
# do not). libjpeg-turbo runs its plain C code there (JSIMD_FORCENONE), which
# gives the same pixels as its SIMD code: Valgrind cannot follow which bytes
# are set through the vector shuffles of the SIMD upsampling, and reports
# the unused bytes past a row's end as reaching the picture.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET [RUNS_PER_TARGET]]   (defaults: 25, 100000000)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-25}
runs=${2:-100000000}
targets=(load_fuzzer pipeline_fuzzer orientation_fuzzer trace_fuzzer)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]}"
cmake --preset native >/dev/null
cmake --build --preset native --target pipeline_replay

mkdir -p build/fuzz/findings build/fuzz/logs
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
pids=()
for target in "${targets[@]}"; do
  mkdir -p "build/fuzz/corpus/$target"
  echo "== fuzz: $target for $seconds s or $runs runs"
  # The first folder receives the new inputs; the others are only read.
  "build/fuzz/fuzz/$target" "build/fuzz/corpus/$target" \
    tests/data/bmp tests/data/jpeg tests/data/pngsuite/png tests/data/fuzz \
    -dict=fuzz/image.dict -max_total_time="$seconds" -runs="$runs" \
    -timeout=30 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
    -artifact_prefix="build/fuzz/findings/$target-" -print_final_stats=1 \
    >"build/fuzz/logs/$target.log" 2>&1 &
  pids+=($!)
done

status=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  log=build/fuzz/logs/$target.log
  if wait "${pids[$i]}"; then
    echo "$target: $(grep -h 'stat::number_of_executed_units' "$log" | tr -s ' ' | cut -d' ' -f2) runs, no finding"
  else
    echo "$target: FINDING (log $log, input in build/fuzz/findings)"
    grep -h -A 40 -E '^==[0-9]+==|runtime error|Test unit written' "$log" | head -n 80 || tail -n 40 "$log"
    status=1
  fi
done
[ $status -eq 0 ] || exit $status

echo "== replay under Valgrind"
if find build/fuzz/corpus tests/data/bmp tests/data/jpeg tests/data/pngsuite/png tests/data/fuzz -type f -print0 |
  JSIMD_FORCENONE=1 xargs -0 -P "$(nproc)" valgrind -q --error-exitcode=1 build/native/fuzz/pipeline_replay; then
  echo "replay: no finding"
else
  echo "replay: FINDING (Valgrind's report above)"
  exit 1
fi
