#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian and appstreamcli, installs
# it with apt on this machine (as root), uses the installed files as a user
# would, and purges it again, checking that nothing of it is left behind.
#   test-package.sh [BUILD_FOLDER]
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=${1:-build}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "== $* ($(date +%T))"; }

if [ "$(id -u)" -ne 0 ]; then
  echo "test-package.sh installs a package: run it as root" >&2
  exit 1
fi
if dpkg -s ornival >/dev/null 2>&1; then
  echo "ornival is already installed here: purge it first (apt-get purge ornival)" >&2
  exit 1
fi

step "building the package (scripts/package.sh installs what is needed)"
deb=$(bash scripts/package.sh "$build") || exit 1
deb=$(readlink -f "$deb")
echo "$deb ($(du -h "$deb" | cut -f1))"
dpkg-deb --field "$deb" Package Version Section Depends

step "lintian"
lintian --info --display-level '>=warning' --fail-on error,warning "$deb" || fail "lintian finds errors or warnings in the package"

tmp=$(mktemp -d)
installed=0
cleanup() {
  [ "$installed" -eq 1 ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq ornival >/dev/null 2>&1
  rm -rf "$tmp"
}
trap cleanup EXIT

step "installing with apt"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >"$tmp/apt.log" 2>&1 \
  || { cat "$tmp/apt.log"; fail "apt-get install refuses the package"; exit 1; }
installed=1
dpkg -L ornival >"$tmp/files"

step "using the installed files"
[ "$(command -v ornival-compter)" = /usr/bin/ornival-compter ] || fail "ornival-compter is not /usr/bin/ornival-compter"
ornival-compter --help >"$tmp/help" 2>/dev/null || fail "ornival-compter --help failed"
grep -q -- "--echantillons" "$tmp/help" || fail "ornival-compter --help does not list its options"
# The shipped default flock, counted from the installed files in a folder of
# the user's: the total is the flock's true number of birds.
data=/usr/share/ornival
(cd "$tmp" && ornival-compter --echantillons "$data/ornival0.ini" "$data/vol de cigognes.jpg" >"$tmp/count.csv" 2>/dev/null) \
  || fail "ornival-compter cannot count the installed default flock"
total=$(awk -F, 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "total") c = i } NR == 2 { print $c }' "$tmp/count.csv")
truth=$(head -n1 "$data/vol de cigognes.txt")
[ -n "$total" ] && [ "$total" = "$truth" ] || fail "the installed default flock counts '$total' birds, not $truth"
(cd "$tmp" && ornival-precision >"$tmp/precision" 2>/dev/null) || fail "ornival-precision fails on the installed flocks"
[ "$(grep -c '\.jpg' "$tmp/precision")" -eq "$(find "$data" -name '*.jpg' | wc -l)" ] \
  || fail "ornival-precision does not report every installed flock"

step "menu entry, icon, metainfo, manual pages"
desktop=/usr/share/applications/ornival.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the installed menu entry"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ "$(command -v "$exec_line")" = /usr/bin/ornival-oiseaux ] || fail "the menu entry's command '$exec_line' is not the launcher"
for size in 16 22 24 32 48 64 128 256; do
  png=/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
  file -b "$png" | grep -q "PNG image data, $size x $size" || fail "no $size x $size icon at $png"
done
[ -f "/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon"
appstreamcli validate --no-net /usr/share/metainfo/org.ornival.oiseaux.metainfo.xml || fail "appstreamcli refuses the metainfo"
if grep -qs '^path-exclude=/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
  # Slim images tell dpkg to leave manual pages out: check them in the package.
  echo "dpkg leaves manual pages out on this machine: checking them in the package"
  for page in ornival-oiseaux ornival-compter ornival-precision; do
    dpkg-deb -c "$deb" | grep -q " ./usr/share/man/man1/$page.1.gz$" || fail "no manual page $page(1) in the package"
  done
else
  for page in ornival-oiseaux ornival-compter ornival-precision; do
    [ "$(man -w "$page" 2>/dev/null)" = "/usr/share/man/man1/$page.1.gz" ] || fail "man does not find $page(1)"
  done
  MANWIDTH=80 man ornival-compter 2>/dev/null | grep -q -- "--echantillons" || fail "man ornival-compter does not show the options"
fi

# The menu entry's command starts the window in the user's own folder; it is
# still running when stopped after a few seconds.
home=$tmp/home
mkdir -p "$home"
HOME=$home XDG_DATA_HOME='' QT_QPA_PLATFORM=offscreen timeout 5 $exec_line >"$tmp/window.log" 2>&1
status=$?
[ "$status" -eq 124 ] || fail "the window did not stay open (status $status): $(cat "$tmp/window.log")"
cmp -s "$data/ornival0.ini" "$home/.local/share/ornival/ornival.ini" || fail "the window's run folder was not filled"

step "purging"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq ornival >"$tmp/apt.log" 2>&1 || { cat "$tmp/apt.log"; fail "apt-get purge failed"; }
installed=0
dpkg -s ornival >/dev/null 2>&1 && fail "ornival is still installed after the purge"
while IFS= read -r path; do
  # Shared folders (/usr, /usr/share/man/man1, ...) stay; our own go.
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    case $path in /usr/share/ornival*|/usr/libexec/ornival*|/usr/share/doc/ornival*) ;; *) continue ;; esac
  fi
  [ -e "$path" ] || [ -L "$path" ] && fail "left behind after the purge: $path"
done <"$tmp/files"

[ "$failures" -eq 0 ] && step "package checks passed"
exit $((failures > 0))
