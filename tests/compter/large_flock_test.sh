#!/usr/bin/env bash
# A camera-sized flock of 6000 x 4000 pixels, made here from its fixed seed
# (too large to ship), counted with the automatic minimum size: the estimate
# and the window's rule land within 10 % of its truth.
#   large_flock_test.sh MAKE_DATA ORNIVAL_COMPTER
set -uo pipefail
make_data=${1:?make_data}
compter=${2:?ornival-compter}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$make_data" --grand-vol "$tmp" 6000 4000 >/dev/null || { echo "FAIL: flock not made"; exit 1; }
truth=$(head -n 1 "$tmp/grand vol.txt")
failures=0
for rule in --estimer --seuil=auto; do
  row=$("$compter" --echantillons "$tmp/ornival.ini" --taille-mini auto "$rule" "$tmp/grand vol.jpg" | tail -n 1)
  total=$(echo "$row" | cut -d, -f15)
  width=$(echo "$row" | cut -d, -f2)
  [ "$width" = 6000 ] || { echo "FAIL: $rule: $row"; failures=$((failures + 1)); continue; }
  diff=$((total > truth ? total - truth : truth - total))
  if [ $((diff * 100)) -gt $((truth * 10)) ]; then
    echo "FAIL: $rule counted $total of $truth birds"
    failures=$((failures + 1))
  else
    echo "$rule: $total of $truth birds"
  fi
done
exit $((failures > 0))
