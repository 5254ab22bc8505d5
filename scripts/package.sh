#!/usr/bin/env bash
# Builds the Debian package fennimar_VERSION_amd64.deb with CPack from the
# same build tree as scripts/test.sh, then lets lintian look at it; when the
# Windows programs were built (fennimar.exe among them) and makensis is
# there, also the Windows installer fennimar-setup-VERSION.exe and the
# portable fennimar-VERSION-windows.zip (the target windows_packages).
# Everything ends up in $BUILD_DIR/package (default build/package).
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
if [ -e "$build/windows_packages.cmake" ]; then
  cmake --build "$build" --target windows_packages
  version=$(dpkg-deb -f "$deb" Version)
  echo "Installer: $build/package/fennimar-setup-$version.exe"
  echo "Portable zip: $build/package/fennimar-$version-windows.zip"
else
  echo "No Windows installer or zip: fennimar.exe was not built, or makensis is missing" \
    "(scripts/install-deps.sh installs and builds what they need)"
fi
