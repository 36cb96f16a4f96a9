#!/usr/bin/env bash
# Usage: ornival-oiseaux [OPTION]...
# Starts Ornival d'oiseaux, the window that counts the birds of a flock on a
# photo, in its run folder, which it first fills with the shipped files: the
# default photo, the step arrow, the factory sample set and the help page with
# its pictures. The user's own sample set ("ornival.ini", "blocs_couleurs.bmp",
# written by every separation) is made from the factory pair only when it is
# absent, and is never overwritten. The menu entry "Ornival d'oiseaux" runs it.
#
# Options:
#   --program PATH   the window program to start
#   --data FOLDER    the folder of the shipped files
#   --run FOLDER     the run folder
#   --seed-only      fill the run folder and stop without starting the program
#   -h, --help       show this help and stop
#
# Without options, the places come from the environment (ORNIVAL_PROGRAM,
# ORNIVAL_DATA, ORNIVAL_RUN) or from where the launcher stands. Installed as
# PREFIX/bin/ornival-oiseaux: the program PREFIX/libexec/ornival/ornival, the
# data PREFIX/share/ornival, the run folder
# ${XDG_DATA_HOME:-$HOME/.local/share}/ornival. In the source tree
# (scripts/ornival-launch.sh): the program build/app/ornival, the data data/,
# the run folder run/ at the top of the tree.
set -euo pipefail

say() { printf 'ornival-launch: %s\n' "$*" >&2; }

here=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")" && pwd)
program=${ORNIVAL_PROGRAM:-}
data=${ORNIVAL_DATA:-}
run=${ORNIVAL_RUN:-}
seed_only=0

while [ $# -gt 0 ]; do
  case $1 in
    --program) program=${2:?--program needs a path}; shift 2 ;;
    --data) data=${2:?--data needs a folder}; shift 2 ;;
    --run) run=${2:?--run needs a folder}; shift 2 ;;
    --seed-only) seed_only=1; shift ;;
    -h|--help) sed -n '2,/^# the run folder run/s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"; exit 0 ;;
    *) say "unknown argument: $1 (see --help)"; exit 2 ;;
  esac
done

if [ -f "$here/../CMakeLists.txt" ] && [ -d "$here/../data" ]; then
  top=$(cd "$here/.." && pwd)  # source tree
  : "${program:=$top/build/app/ornival}"
  : "${data:=$top/data}"
  : "${run:=$top/run}"
else
  prefix=$(cd "$here/.." && pwd)  # installed copy
  : "${program:=$prefix/libexec/ornival/ornival}"
  : "${data:=$prefix/share/ornival}"
  : "${run:=${XDG_DATA_HOME:-$HOME/.local/share}/ornival}"
fi

shipped=("vol de cigognes.jpg" "fleche.bmp" "ornival0.ini" "blocs_couleurs0.bmp" "aide.html")

# Check everything first, so a failure leaves the run folder as it was.
if [ ! -d "$data" ]; then
  say "data folder not found: $data"
  exit 1
fi
missing=()
for f in "${shipped[@]}"; do
  [ -f "$data/$f" ] || missing+=("$f")
done
if [ ${#missing[@]} -gt 0 ]; then
  for f in "${missing[@]}"; do say "missing data file: $data/$f"; done
  exit 1
fi
if [ "$seed_only" -eq 0 ] && [ ! -x "$program" ]; then
  say "program not found (build it first): $program"
  exit 1
fi

mkdir -p "$run"
# Shipped files are refreshed only when they differ, so a second start changes nothing.
copy_if_changed() {  # source destination
  if ! cmp -s "$1" "$2"; then
    cp -f "$1" "$2.tmp.$$" && mv -f "$2.tmp.$$" "$2"
  fi
}
for f in "${shipped[@]}"; do
  copy_if_changed "$data/$f" "$run/$f"
done
if [ -d "$data/aide" ]; then
  mkdir -p "$run/aide"
  for f in "$data"/aide/*; do
    [ -f "$f" ] && copy_if_changed "$f" "$run/aide/$(basename "$f")"
  done
fi
# The user's sample set: made from the factory pair only when absent.
for pair in "ornival.ini:ornival0.ini" "blocs_couleurs.bmp:blocs_couleurs0.bmp"; do
  mine=${pair%%:*} factory=${pair#*:}
  if [ ! -e "$run/$mine" ]; then
    cp "$data/$factory" "$run/$mine.tmp.$$"
    mv -n "$run/$mine.tmp.$$" "$run/$mine"
    rm -f "$run/$mine.tmp.$$"
  fi
done

[ "$seed_only" -eq 1 ] && exit 0
# A program named relative to where the launcher was called from.
case $program in /*) ;; *) program=$PWD/$program ;; esac
cd "$run"
exec "$program"
