#!/usr/bin/env bash
# Installs a Release build of the library into a temporary prefix and builds and runs two
# applications against it: one finds the library with find_package, the other with pkg-config.
set -euo pipefail
cd "$(dirname "$0")/.."

# The compiler cache speeds the build up where there is one.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# BUILD_DIR names a Release build to install (CI passes the README's); without it, the library
# alone is built here.
build=${BUILD_DIR:-}
if [ -z "$build" ]; then
  build=build-install
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_TESTS=OFF \
    -DVELMORA_BUILD_BENCHMARKS=OFF -DVELMORA_BUILD_TOOLS=OFF "${launcher[@]}" >/dev/null
  cmake --build "$build" --target velmora -j "${JOBS:-$(nproc)}" >/dev/null
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

echo "--- find_package(velmora) consumer"
cmake -S tests/cpp_api/installed -B "$work/cmake-consumer" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" "${launcher[@]}" >/dev/null
cmake --build "$work/cmake-consumer" >/dev/null
"$work/cmake-consumer/installed_program"

echo "--- pkg-config consumer"
pc="$(find "$prefix" -name velmora.pc)"
export PKG_CONFIG_PATH="${pc%/*}"
installed_prefix="$(pkg-config --variable=prefix velmora)"
if [ "$installed_prefix" != "$prefix" ]; then
  echo "velmora.pc names the prefix $installed_prefix; it is installed in $prefix" >&2
  exit 1
fi
# The loader does not search the temporary prefix: the program carries it as its rpath (the
# CMake program above runs from its build tree, where CMake sets the rpath itself).
# shellcheck disable=SC2046 # the flags are words
cc -std=c11 tests/c_api/c11_program.c $(pkg-config --cflags --libs velmora) \
  -Wl,-rpath,"$(pkg-config --variable=libdir velmora)" -o "$work/pkg-config-consumer"
"$work/pkg-config-consumer"
