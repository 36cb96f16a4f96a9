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
# The fuzz runs build libjpeg-turbo from Debian's source package (apt-get
# source, with dpkg-dev and the deb-src lines added at the end).
# Qt's own texts (the open dialog, the buttons) are in French with
# qt6-translations-l10n; without it the program runs with Qt's English ones.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev
  libjpeg62-turbo-dev libdeflate-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation
  clang libclang-rt-14-dev
  xdg-utils qt6-wayland desktop-file-utils qt6-translations-l10n
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

# The source lines beside the machine's own package lines, once.
if ! grep -qs '^ *\(Types:.*deb-src\|deb-src \)' /etc/apt/sources.list /etc/apt/sources.list.d/*; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/ornival-deb-src.sources
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >/etc/apt/sources.list.d/ornival-deb-src.list
  fi
fi
if ! apt-cache showsrc libjpeg-turbo 2>/dev/null | grep -q '^Package:'; then
  apt-get update -qq
fi
