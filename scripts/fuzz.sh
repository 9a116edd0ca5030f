#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz and runs each for a bounded time.
# Usage: fuzz.sh [seconds per target] (default 20; 1800 before a release).
# Each target's corpus grows in build-fuzz/corpus/<target>, starting from
# fuzz/seeds/<target>; a failing input is kept as build-fuzz/artifacts/<target>-*.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${KELPO_FUZZ_DIR:-$root/build-fuzz}
seconds=${1:-20}
# Inputs up to 16 KiB; no single allocation may exceed 1 KiB per input byte.
max_len=16384
malloc_limit_mb=16
rss_limit_mb=2048

if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi
CC=clang-14 CXX=clang++-14 cmake -S "$root/fuzz" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j"$(nproc)"

mkdir -p "$dir/artifacts" "$dir/logs"
failed=0
for src in "$root"/fuzz/fuzz_*.cpp; do
  target=$(basename "$src" .cpp)
  name=${target#fuzz_}
  corpus=$dir/corpus/$name
  mkdir -p "$corpus"
  seeds=("$root/fuzz/seeds/$name")
  # The sample data file shown in the README is a whole file of every item state.
  [ "$name" = datafile ] && cp -n "$root/docs/sample/Kelpo.dat" "$corpus/sample-Kelpo.dat"
  log=$dir/logs/$name.log
  start=$(date +%s)
  status=0
  "$dir/bin/$target" -max_total_time="$seconds" -max_len="$max_len" -malloc_limit_mb="$malloc_limit_mb" \
    -rss_limit_mb="$rss_limit_mb" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/$name-" "$corpus" "${seeds[@]}" >"$log" 2>&1 || status=$?
  took=$(( $(date +%s) - start ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1 || true)
  corp=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$log" | tail -1 | cut -d' ' -f2 || true)
  if [ "$status" -eq 0 ]; then
    printf '%-12s ok      %9s runs  corpus %-12s %4ss\n' "$name" "${runs:-?}" "${corp:-?}" "$took"
  else
    printf '%-12s FAILED  %9s runs  corpus %-12s %4ss  (log: %s)\n' "$name" "${runs:-?}" "${corp:-?}" "$took" "$log"
    grep -E 'ERROR|fuzz property|SUMMARY|runtime error|Test unit written' "$log" | head -8 | sed 's/^/    /' || true
    failed=1
  fi
done
exit $failed
