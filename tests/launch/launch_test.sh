#!/usr/bin/env bash
# Checks scripts/ornival-launch.sh with a stand-in for the program that prints
# the folder it was started in and the files it finds there.
#   launch_test.sh SOURCE_DIR
set -uo pipefail
src=$(cd "${1:?source folder}" && pwd)
launcher=$src/scripts/ornival-launch.sh
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
same() { cmp -s "$1" "$2" || fail "$3"; }
# Path, size and content of every file under a folder, with its change time.
snapshot() { (cd "$1" && find . -type f -exec stat -c '%n %s %Y' {} + | sort && find . -type f -exec sha256sum {} + | sort); }

stand_in="$tmp/bin dir/fake ornival"
mkdir -p "$(dirname "$stand_in")"
cat >"$stand_in" <<'STAND_IN'
#!/usr/bin/env bash
echo "cwd=$PWD"
echo "args=$#"
ls -1
STAND_IN
chmod +x "$stand_in"
shipped=("vol de cigognes.jpg" "fleche.bmp" "ornival0.ini" "blocs_couleurs0.bmp" "aide.html")

# 1. A fresh run folder (with a space in its name) is filled and the program starts there.
run="$tmp/run folder"
out=$(bash "$launcher" --program "$stand_in" --data "$src/data" --run "$run" 2>&1) || fail "fresh run failed: $out"
grep -qxF "cwd=$run" <<<"$out" || fail "program not started in the run folder: $out"
grep -qxF "args=0" <<<"$out" || fail "program given arguments: $out"
for f in "${shipped[@]}"; do
  grep -qxF "$f" <<<"$out" || fail "program does not see $f"
  same "$src/data/$f" "$run/$f" "$f not copied as shipped"
done
same "$src/data/ornival0.ini" "$run/ornival.ini" "ornival.ini not made from ornival0.ini"
same "$src/data/blocs_couleurs0.bmp" "$run/blocs_couleurs.bmp" "blocs_couleurs.bmp not made from blocs_couleurs0.bmp"
for f in "$src"/data/aide/*.png; do
  same "$f" "$run/aide/$(basename "$f")" "help picture $(basename "$f") not copied"
done

# 2. A second run changes nothing.
before=$(snapshot "$run")
sleep 1.1
bash "$launcher" --program "$stand_in" --data "$src/data" --run "$run" >/dev/null 2>&1 || fail "second run failed"
[ "$(snapshot "$run")" = "$before" ] || fail "second run changed the run folder"

# 3. The user's own sample set is kept byte for byte; a damaged shipped file is restored.
printf 'mes echantillons\r\n1 2 3\n' >"$run/ornival.ini"
printf 'BM\0\1\2 pas une image' >"$run/blocs_couleurs.bmp"
cp "$run/ornival.ini" "$tmp/mine.ini"; cp "$run/blocs_couleurs.bmp" "$tmp/mine.bmp"
echo abime >"$run/fleche.bmp"
bash "$launcher" --program "$stand_in" --data "$src/data" --run "$run" >/dev/null 2>&1 || fail "run with a user set failed"
same "$tmp/mine.ini" "$run/ornival.ini" "user ornival.ini overwritten"
same "$tmp/mine.bmp" "$run/blocs_couleurs.bmp" "user blocs_couleurs.bmp overwritten"
same "$src/data/fleche.bmp" "$run/fleche.bmp" "damaged fleche.bmp not restored"
# Only one of the pair present: the other is made, the present one kept.
rm "$run/blocs_couleurs.bmp"
bash "$launcher" --program "$stand_in" --data "$src/data" --run "$run" >/dev/null 2>&1 || fail "run with half a user set failed"
same "$tmp/mine.ini" "$run/ornival.ini" "user ornival.ini overwritten when the picture was missing"
same "$src/data/blocs_couleurs0.bmp" "$run/blocs_couleurs.bmp" "missing blocs_couleurs.bmp not made"

# 4. A missing data file: a clear message naming it, non-zero, nothing started or changed.
data=$tmp/data
cp -r "$src/data" "$data"
rm "$data/fleche.bmp"
before=$(snapshot "$run")
out=$(bash "$launcher" --program "$stand_in" --data "$data" --run "$run" 2>&1) && fail "missing data file accepted"
grep -q "missing data file: .*fleche.bmp" <<<"$out" || fail "no clear message for a missing data file: $out"
grep -q "^cwd=" <<<"$out" && fail "program started despite a missing data file"
[ "$(snapshot "$run")" = "$before" ] || fail "a failed run changed the run folder"
out=$(bash "$launcher" --program "$stand_in" --data "$data" --run "$tmp/never" 2>&1)
[ -e "$tmp/never" ] && fail "a failed run made its run folder"
out=$(bash "$launcher" --program "$stand_in" --data "$tmp/absent" --run "$tmp/never" 2>&1) && fail "absent data folder accepted"
grep -q "data folder not found" <<<"$out" || fail "no clear message for an absent data folder: $out"

# 5. A missing program: a clear message, non-zero, run folder untouched.
out=$(bash "$launcher" --program "$tmp/absent/ornival" --data "$src/data" --run "$tmp/never" 2>&1) && fail "missing program accepted"
grep -q "program not found" <<<"$out" || fail "no clear message for a missing program: $out"
[ -e "$tmp/never" ] && fail "a run without program made its run folder"
out=$(bash "$launcher" --bogus 2>&1) && fail "unknown argument accepted"
grep -q "unknown argument" <<<"$out" || fail "no clear message for an unknown argument: $out"

# 6. --seed-only fills the folder without starting anything.
out=$(bash "$launcher" --program "$tmp/absent/ornival" --data "$src/data" --run "$tmp/seeded" --seed-only 2>&1) ||
  fail "seed-only failed: $out"
[ -z "$out" ] || fail "seed-only printed: $out"
same "$src/data/ornival0.ini" "$tmp/seeded/ornival.ini" "seed-only did not seed"

# 7. An installed copy finds its program, data and run folder from its own place.
prefix="$tmp/pre fix"
mkdir -p "$prefix/bin" "$prefix/libexec/ornival" "$prefix/share/ornival" "$tmp/home"
cp "$launcher" "$prefix/bin/ornival-oiseaux"
cp "$stand_in" "$prefix/libexec/ornival/ornival"
cp -r "$src/data/." "$prefix/share/ornival/"
ln -s "$prefix/bin/ornival-oiseaux" "$tmp/bin dir/linked"
out=$(cd / && env -u ORNIVAL_PROGRAM -u ORNIVAL_DATA -u ORNIVAL_RUN -u XDG_DATA_HOME HOME="$tmp/home" \
  "$tmp/bin dir/linked" 2>&1) || fail "installed run failed: $out"
grep -qxF "cwd=$tmp/home/.local/share/ornival" <<<"$out" || fail "installed run not in ~/.local/share/ornival: $out"
out=$(cd / && XDG_DATA_HOME="$tmp/xdg" HOME="$tmp/home" "$prefix/bin/ornival-oiseaux" 2>&1) || fail "XDG run failed: $out"
grep -qxF "cwd=$tmp/xdg/ornival" <<<"$out" || fail "installed run ignores XDG_DATA_HOME: $out"
same "$src/data/blocs_couleurs0.bmp" "$tmp/xdg/ornival/blocs_couleurs.bmp" "installed run did not seed"
out=$(ORNIVAL_RUN="$tmp/env run" "$prefix/bin/ornival-oiseaux" 2>&1) || fail "ORNIVAL_RUN run failed: $out"
grep -qxF "cwd=$tmp/env run" <<<"$out" || fail "ORNIVAL_RUN ignored: $out"

# 8. Places named relative to the calling folder, as scripts/run.sh names them.
mkdir -p "$tmp/tree/build/app"
cp "$stand_in" "$tmp/tree/build/app/ornival"
cp -r "$src/data" "$tmp/tree/data"
out=$(cd "$tmp/tree" && bash "$launcher" --program build/app/ornival --data data --run run 2>&1) ||
  fail "relative places failed: $out"
grep -qxF "cwd=$tmp/tree/run" <<<"$out" || fail "relative places: program not started in the run folder: $out"

[ "$failures" -eq 0 ] && echo "all launcher checks passed"
exit $((failures > 0))
