#!/usr/bin/env bash
# Installs what is needed (as root on Debian 12), builds, fills the run folder
# run/ with the shipped files and opens the program there on its default photo.
# The sample set saved by the program in run/ is kept from one run to the next.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -eq 0 ]; then
  bash scripts/install-deps.sh
else
  echo "not root: skipping the package installation (scripts/install-deps.sh)" >&2
fi
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs" --target ornival

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  bash scripts/ornival-launch.sh --program build/app/ornival --data data --run run --seed-only
  echo "Pas d'écran graphique (ni DISPLAY ni WAYLAND_DISPLAY) : le programme est construit" >&2
  echo "(build/app/ornival) et le dossier run/ est prêt, mais la fenêtre ne peut pas s'ouvrir." >&2
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): built, but cannot open the window." >&2
  exit 1
fi
exec bash scripts/ornival-launch.sh --program build/app/ornival --data data --run run
