#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for the given number of
# seconds (default 60). Crashes and their inputs are left in build-fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_BUILD_FUZZERS=ON -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCHMARKS=OFF \
  -DVELMORA_BUILD_TOOLS=OFF >/dev/null
cmake --build build-fuzz -j "${VELMORA_JOBS:-$(nproc)}"

mkdir -p build-fuzz/artifacts
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The targets run side by side; each writes its own log, shown when all are done.
targets=(build-fuzz/fuzz/fuzz_*)
pids=()
names=()
for target in "${targets[@]}"; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  # A target may come with a script that writes seed inputs (fuzz/seeds/<name>.sh).
  seeds="fuzz/seeds/${name#fuzz_}.sh"
  if [ -x "$seeds" ]; then "$seeds" "$corpus"; fi
  # Inputs that once found a fault stay in the repository and run first, every time.
  kept=()
  if [ -d "fuzz/corpus/$name" ]; then kept=("fuzz/corpus/$name"); fi
  echo "=== $name for ${seconds}s ==="
  "$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/artifacts/$name-" "$corpus" "${kept[@]}" >"build-fuzz/$name.log" 2>&1 &
  pids+=($!)
  names+=("$name")
done
failed=0
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then
    echo "=== ${names[$i]} FAILED ==="
    failed=1
  fi
  tail -n 12 "build-fuzz/${names[$i]}.log"
done
[ "$failed" -eq 0 ] || exit 1
echo "=== fuzzing passed ==="
