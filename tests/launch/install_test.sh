#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks where the files land;
# checks the menu entry with desktop-file-validate when it is installed.
#   install_test.sh SOURCE_DIR BUILD_DIR PROGRAM_FILE
# Exits 77 (skipped) when the window program is not built.
set -uo pipefail
src=$(cd "${1:?source folder}" && pwd)
build=${2:?build folder}
program=${3:-}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$src/data/ornival.desktop" || fail "desktop-file-validate refuses data/ornival.desktop"
else
  echo "desktop-file-validate not installed: the menu entry is not validated"
fi
grep -qxF "Name=Ornival d'oiseaux" "$src/data/ornival.desktop" || fail "menu entry without its name"
grep -qxF "Exec=ornival-oiseaux" "$src/data/ornival.desktop" || fail "menu entry does not start the launcher"
grep -qxF "Icon=ornival" "$src/data/ornival.desktop" || fail "menu entry without its icon"

if [ -z "$program" ] || [ ! -x "$program" ]; then
  echo "the window program is not built: install not checked"
  [ "$failures" -eq 0 ] && exit 77
  exit 1
fi

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; rm -f "$prefix.log"; fail "cmake --install failed"; exit 1; }
rm -f "$prefix.log"
[ -x "$prefix/bin/ornival-oiseaux" ] || fail "launcher not installed as bin/ornival-oiseaux"
cmp -s "$prefix/bin/ornival-oiseaux" "$src/scripts/ornival-launch.sh" || fail "installed launcher differs"
[ -x "$prefix/libexec/ornival/ornival" ] || fail "program not installed in libexec/ornival"
for f in "vol de cigognes.jpg" fleche.bmp ornival0.ini blocs_couleurs0.bmp aide.html; do
  cmp -s "$src/data/$f" "$prefix/share/ornival/$f" || fail "$f not installed in share/ornival"
done
for f in "$src"/data/aide/*.png; do
  cmp -s "$f" "$prefix/share/ornival/aide/$(basename "$f")" || fail "help picture $(basename "$f") not installed"
done
cmp -s "$src/data/ornival.desktop" "$prefix/share/applications/ornival.desktop" || fail "menu entry not installed"
for f in "$src"/data/icons/hicolor/*/apps/*; do
  cmp -s "$f" "$prefix/share/icons/${f#"$src/data/icons/"}" || fail "icon ${f#"$src/data/icons/"} not installed"
done
for f in "$src"/data/flocks/*/*; do
  cmp -s "$f" "$prefix/share/ornival/${f#"$src/data/"}" || fail "test flock file ${f#"$src/data/"} not installed"
done
[ -x "$prefix/bin/ornival-compter" ] && [ -x "$prefix/bin/ornival-precision" ] || fail "batch programs not installed in bin/"
version=$(sed -n 's/^project(Ornival VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
metainfo=$prefix/share/metainfo/org.ornival.oiseaux.metainfo.xml
grep -qF "<release version=\"$version\"" "$metainfo" || fail "metainfo not installed with the project's version"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$metainfo" >/dev/null || fail "appstreamcli refuses the metainfo"
fi
[ -f "$prefix/share/doc/ornival/copyright" ] || fail "copyright not installed"
zcat "$prefix/share/doc/ornival/changelog.gz" | head -n1 | grep -qF "ornival ($version)" \
  || fail "changelog not installed or its last entry is not the project's version $version"
if [ -d "$build/man" ]; then
  for page in ornival-oiseaux ornival-compter ornival-precision; do
    zcat "$prefix/share/man/man1/$page.1.gz" 2>/dev/null | grep -q '^\.SH' || fail "manual page $page not installed"
    # UTF-8 read as Latin-1 and encoded again shows as "Ã" before the accent.
    zcat "$prefix/share/man/man1/$page.1.gz" 2>/dev/null | grep -q 'Ã' && fail "manual page $page has doubly encoded accents"
  done
fi
# The installed launcher seeds a run folder from the installed data.
out=$(XDG_DATA_HOME="$prefix/xdg" "$prefix/bin/ornival-oiseaux" --seed-only 2>&1) || fail "installed launcher failed: $out"
cmp -s "$src/data/ornival0.ini" "$prefix/xdg/ornival/ornival.ini" || fail "installed launcher did not seed"

[ "$failures" -eq 0 ] && echo "install checks passed"
exit $((failures > 0))
