#!/usr/bin/env bash
# Builds the Debian package fennimar_VERSION_amd64.deb with CPack from the
# same build tree as scripts/test.sh, then lets lintian look at it.
# The package ends up in $BUILD_DIR/package (default build/package).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DFENNIMAR_WERROR=ON -DFENNIMAR_BUILD_GUI=ON "$@"
cmake --build "$build" -j"$(nproc)"
cpack --config "$build/CPackConfig.cmake" -B "$build/package"
deb=$(ls "$build"/package/fennimar_*_amd64.deb)
if command -v lintian > /dev/null; then
  lintian --tag-display-limit 0 "$deb"
fi
echo "Package: $deb"
