#!/usr/bin/env bash
# Installs what building, testing and running the program need on Debian 12.
# Run as root. Extra package names given as arguments are installed too.
# At run time the window needs Qt's X11 platform plugin (qt6-qpa-plugins, which
# qt6-base-dev pulls in) or its Wayland one (qt6-wayland), the font
# "Liberation Sans" (fonts-liberation) and xdg-open (xdg-utils) for the help
# page; desktop-file-validate (desktop-file-utils) checks the menu entry.
# The package (scripts/package.sh, scripts/test-package.sh) needs help2man for
# the manual pages, file and dpkg-dev for CPack, lintian, appstream and man-db
# to check it; GNU parallel spreads a survey (scripts/compter-parallele.sh).
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev
  libjpeg62-turbo-dev zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation
  clang libclang-rt-14-dev
  xdg-utils qt6-wayland desktop-file-utils
  help2man file dpkg-dev lintian appstream man-db parallel "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
