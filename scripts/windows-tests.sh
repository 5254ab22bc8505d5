#!/usr/bin/env bash
# Cross-builds the core and its tests for 64-bit Windows (MinGW-w64) and runs
# the tests under wine, each program in a fresh prefix of its own. Not part of
# the default build: the Linux build and its CI stay as they are.
# Usage: scripts/windows-tests.sh [BUILD_DIR] [ctest argument...]
#   BUILD_DIR defaults to build-windows in the source tree.
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build-windows}
shift || true
launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$source_dir" -B "$build_dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFENNIMAR_WINDOWS_TESTS=ON -DFENNIMAR_WERROR=ON \
  "${launcher[@]}"
cmake --build "$build_dir" -j2
ctest --test-dir "$build_dir" -j2 --output-on-failure "$@"
