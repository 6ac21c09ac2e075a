#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for the given number of
# seconds (default 60), all side by side. An input that makes a target fail is kept in
# fuzz/corpus/fuzz_<name>/ (commit it with the fix), so that it runs first every time.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shopt -s nullglob

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELMORA_BUILD_FUZZERS=ON -DVELMORA_BUILD_TESTS=OFF -DVELMORA_BUILD_BENCHMARKS=OFF \
  -DVELMORA_BUILD_TOOLS=OFF >/dev/null
cmake --build build-fuzz -j "${VELMORA_JOBS:-$(nproc)}"

rm -rf build-fuzz/artifacts
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
  seeds="build-fuzz/seeds/$name"
  rm -rf "$seeds"
  mkdir -p "$seeds"
  if [ -x "fuzz/seeds/${name#fuzz_}.sh" ]; then "fuzz/seeds/${name#fuzz_}.sh" "$seeds"; fi
  cp -r "$seeds/." "$corpus/"
  # Inputs that once found a fault stay in the repository and run first, every time, the way a
  # fuzzing run meets them: in one process with other inputs, before and after them, twice
  # each. Some faults show only then (the memory an earlier input left behind is read).
  kept=()
  if [ -d "fuzz/corpus/$name" ]; then kept=("fuzz/corpus/$name"/*); fi
  echo "=== $name for ${seconds}s ==="
  {
    if [ "${#kept[@]}" -gt 0 ]; then
      # Their artifacts are named apart, so that they are not kept a second time below.
      "$target" -runs=2 -artifact_prefix="build-fuzz/artifacts/kept-$name-" \
        "${kept[@]}" "$seeds"/* "${kept[@]}" || exit 1
    fi
    "$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="build-fuzz/artifacts/$name-" "$corpus" ${kept:+"fuzz/corpus/$name"}
  } >"build-fuzz/$name.log" 2>&1 &
  pids+=($!)
  names+=("$name")
done
failed=0
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then
    echo "=== ${names[$i]} FAILED ==="
    failed=1
    for artifact in build-fuzz/artifacts/"${names[$i]}"-{crash,leak,timeout,oom}-*; do
      [ -f "$artifact" ] || continue
      mkdir -p "fuzz/corpus/${names[$i]}"
      cp "$artifact" "fuzz/corpus/${names[$i]}/${artifact##*/${names[$i]}-}"
      echo "kept $artifact in fuzz/corpus/${names[$i]}/"
    done
    tail -n 60 "build-fuzz/${names[$i]}.log"
  else
    # Coverage (cov, ft) and executions of the run.
    grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units' "build-fuzz/${names[$i]}.log" |
      sed "s/^/${names[$i]}: /"
  fi
done
[ "$failed" -eq 0 ] || exit 1
echo "=== fuzzing passed ==="
