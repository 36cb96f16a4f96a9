#!/usr/bin/env bash
# Checks ornival-precision's command line: its help, the refusals with their
# message and status, and the installed files found without a folder.
#   precision_cli_test.sh ORNIVAL_PRECISION SOURCE_DIR
set -uo pipefail
program=${1:?ornival-precision}
src=$(cd "${2:?source folder}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# arguments | status | stream holding the message | message
while IFS='|' read -r args status stream message; do
  eval "set -- $args"
  "$program" "$@" >"$tmp/out" 2>"$tmp/err"
  got=$?
  [ "$got" -eq "$status" ] || fail "'$args': status $got, not $status"
  grep -qF -- "$message" "$tmp/$stream" || fail "'$args': no '$message' on std$stream: $(cat "$tmp/$stream")"
done <<'CASES'
--help|0|out|Utilisation : ornival-precision [--taille-mini N|auto]
-h|0|out|Code de retour
--vite|2|err|Utilisation : ornival-precision [--taille-mini N|auto]
data autre|2|err|Utilisation : ornival-precision [--taille-mini N|auto]
--taille-mini 0 data|2|err|--taille-mini : '0' n'est pas une taille mini correcte
--taille-mini 0|2|err|--taille-mini : '0' n'est pas une taille mini correcte
--taille-mini|2|err|Utilisation : ornival-precision
/absent/data|2|err|aucun troupeau dans /absent/data
CASES

# Without a folder and without data/ here: the files installed beside bin/.
mkdir -p "$tmp/prefix/bin" "$tmp/prefix/share" "$tmp/elsewhere"
cp "$program" "$tmp/prefix/bin/"
cp -r "$src/data" "$tmp/prefix/share/ornival"
(cd "$tmp/elsewhere" && "$tmp/prefix/bin/$(basename "$program")" >"$tmp/out" 2>/dev/null) || fail "installed files not counted"
grep -qF "flocks/gris/gris.jpg" "$tmp/out" || fail "installed flocks not reported: $(cat "$tmp/out")"

[ "$failures" -eq 0 ] && echo "ornival-precision command line checks passed"
exit $((failures > 0))
