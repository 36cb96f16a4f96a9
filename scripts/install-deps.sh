#!/usr/bin/env bash
# Installs what building, testing and running the program need on Debian 12.
# Run as root. Extra package names given as arguments are installed too.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev
  libjpeg62-turbo-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation
  clang libclang-rt-14-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
