#!/usr/bin/env bash
# Checks scripts/compter-parallele.sh on this machine alone: the merged table
# of tasks run three at a time equals one ornival-compter run over the same
# photos, and every refusal leaves an earlier table as it was.
#   parallel_test.sh SOURCE_DIR ORNIVAL_COMPTER
# Exits 77 (skipped) when GNU parallel is not installed.
set -uo pipefail
src=$(cd "${1:?source folder}" && pwd)
compter=${2:?ornival-compter}
script=$src/scripts/compter-parallele.sh
command -v parallel >/dev/null || { echo "GNU parallel not installed"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cd "$src" || exit 1

# Folders and photos out of name order, with spaces, and a missing photo
# whose row carries its error; the slowest task (the starlings) first.
inputs=(data/flocks/etourneaux "data/vol de cigognes.jpg" data/flocks/gris "absente.jpg"
        "data/flocks/oies en V/oies en V.jpg" data/flocks/bords)
options=(--echantillons data/ornival0.ini --estimer)
"$compter" "${options[@]}" "${inputs[@]}" >"$tmp/one.csv" 2>/dev/null
one_status=$?
[ "$one_status" -eq 1 ] || fail "the reference run should report the missing photo (status $one_status)"
[ "$(wc -l <"$tmp/one.csv")" -eq 7 ] || fail "the reference run has not 7 lines"

bash "$script" --compter "$compter" -j 3 --csv "$tmp/merged.csv" "${inputs[@]}" -- "${options[@]}" 2>"$tmp/err"
status=$?
[ "$status" -eq 1 ] || fail "3 tasks at once: status $status, not 1 for the missing photo: $(cat "$tmp/err")"
cmp -s "$tmp/one.csv" "$tmp/merged.csv" || fail "3 tasks at once differ from one run: $(diff "$tmp/one.csv" "$tmp/merged.csv")"

# The same photos from a list on standard input, after one given as argument.
printf '%s\n' "${inputs[@]:1}" | bash "$script" --compter "$compter" -j 3 --liste - "${inputs[0]}" \
  -- "${options[@]}" >"$tmp/listed.csv" 2>/dev/null
cmp -s "$tmp/one.csv" "$tmp/listed.csv" || fail "photos from a list differ from one run"

# Refusals: a clear message, status 2, and the earlier table kept.
echo "earlier table" >"$tmp/kept.csv"
while IFS='|' read -r label message args; do
  eval "set -- $args"
  out=$(bash "$script" --compter "$compter" --csv "$tmp/kept.csv" "$@" 2>&1 >/dev/null)
  status=$?
  [ "$status" -eq 2 ] || fail "$label: status $status, not 2"
  grep -qF -- "$message" <<<"$out" || fail "$label: message '$out' lacks '$message'"
  [ "$(cat "$tmp/kept.csv")" = "earlier table" ] || fail "$label: the earlier table was changed"
done <<'CASES'
bad option of the counter|tâche(s) sur 2 n'ont pu être comptées|data/flocks/gris data/flocks/bords -- --seuil douze
counter's own table|le tableau fusionné se donne par --csv avant --|data/flocks/gris -- --csv autre.csv
no photo|aucune photo à compter|--
jobs not a number|--jobs : '0' n'est pas un nombre de tâches|-j 0 data/flocks/gris
unknown option|option inconnue : --vite|--vite data/flocks/gris
unreadable list|impossible de lire la liste|--liste /absente/liste.txt
missing counter|introuvable|--compter /absent/ornival-compter data/flocks/gris
option without its value|--liste demande une valeur|data/flocks/gris --liste
table in a missing folder|impossible d'écrire le tableau /absent/t.csv|--csv /absent/t.csv data/flocks/gris
CASES

[ "$failures" -eq 0 ] && echo "parallel survey checks passed"
exit $((failures > 0))
