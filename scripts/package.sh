#!/usr/bin/env bash
# Installs what is needed (as root on Debian 12), builds the Debian package
# ornival_VERSION_ARCH.deb with CPack from a build folder (build/ by default,
# configured as scripts/test.sh does when it is not yet) and prints its path.
#   package.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ "$(id -u)" -eq 0 ]; then
  bash scripts/install-deps.sh >&2
else
  echo "not root: skipping the package installation (scripts/install-deps.sh)" >&2
fi
# Configured again so that a help2man installed since is found.
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORNIVAL_WARNINGS_AS_ERRORS=ON >/dev/null
fi
cmake --build "$build" -j"$(nproc)" >/dev/null
rm -rf "$build/package"
# The package's files and folders belong to root, readable by all.
(umask 022 && cpack --config "$build/CPackConfig.cmake" -B "$build/package" >"$build/package.log" 2>&1) || {
  cat "$build/package.log" >&2
  echo "package.sh: cpack failed" >&2
  exit 1
}
deb=$(ls "$build"/package/ornival_*.deb)
echo "$deb"
