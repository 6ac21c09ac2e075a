#!/usr/bin/env bash
# Builds and runs the whole test suite twice: with AddressSanitizer + UndefinedBehaviorSanitizer,
# and with ThreadSanitizer; then the README's Release build by hand with its tests, applications
# built against that build installed in a temporary prefix, and every fuzz target for 60 s, all
# side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh

jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# ThreadSanitizer cannot map its shadow memory with the kernel's widest address
# randomisation; run it without randomisation when the kernel uses that setting.
tsan_prefix=()
if [ "$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 28)" -gt 28 ]; then
  tsan_prefix=(setarch "$(uname -m)" -R)
fi

for flavour in address thread; do
  dir="build-$flavour"
  echo "=== $flavour sanitizer build ==="
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE="$flavour" \
    -DVELMORA_BUILD_BENCHMARKS=OFF >/dev/null
  cmake --build "$dir" -j "$jobs"
  prefix=()
  if [ "$flavour" = thread ]; then prefix=("${tsan_prefix[@]}"); fi
  "${prefix[@]}" ctest --test-dir "$dir" -j "$((jobs * 2))" --output-on-failure --timeout 300
  if [ "$flavour" = address ]; then
    # ctest runs each case in a process of its own; every program must also pass run whole, so
    # that no case leaves behind state (a registered closure, say) that trips a later one.
    echo "=== every test program whole, in one process ==="
    find "$dir/tests" -maxdepth 1 -name 'test_*' -type f -perm -u+x | sort |
      xargs -P "$jobs" -I{} scripts/run-whole.sh {}
  fi
done

# The README's "Building by hand" in the directory it names: the Release build of every target
# (library, tools, tests, benchmarks) and its tests; then the main job on that same build, as a
# user who built by hand would run it next.
echo "=== the README's build by hand (Release) ==="
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs" >/dev/null
ctest --test-dir build -j "$((jobs * 2))" --output-on-failure --timeout 300
echo "=== the main job ==="
scripts/main.sh

# The installed package as applications use it: found with find_package and with pkg-config.
echo "=== install into a temporary prefix ==="
JOBS="$jobs" BUILD_DIR=build scripts/check-install.sh

# Every parser of outside bytes under libFuzzer: all targets side by side for one minute, so the
# step takes a minute however many there are. Inputs that once failed run first.
scripts/fuzz.sh 60
echo "=== all tests passed ==="
