#!/usr/bin/env bash
# Utilisation : compter-parallele.sh [OPTION]... PHOTO|DOSSIER... [-- OPTIONS D'ORNIVAL-COMPTER]
# Répartit un relevé sur une ou plusieurs machines avec GNU parallel : une
# tâche par photo ou dossier donné, chacune une exécution d'ornival-compter,
# et les lignes CSV de toutes les tâches réunies en un seul tableau, dans
# l'ordre où photos et dossiers sont donnés, sous un seul en-tête.
#
# Options :
#   -S, --sshlogin HÔTE   lance des tâches sur HÔTE ([N/]utilisateur@machine,
#                         « : » pour cette machine ; à répéter ou à séparer
#                         par des virgules), comme --sshlogin de parallel ;
#                         N tâches à la fois sur cet hôte
#   -j, --jobs N          tâches à la fois sur chaque hôte sans N propre
#                         (par défaut : une par cœur de l'hôte)
#   --csv FICHIER         écrit le tableau dans FICHIER au lieu de la sortie
#                         standard
#   --liste FICHIER       lit des photos et dossiers dans FICHIER, un par
#                         ligne (« - » pour l'entrée standard), après ceux
#                         donnés en arguments
#   --compter PROGRAMME   l'ornival-compter à lancer (par défaut : celui du
#                         PATH, ou celui de la construction dans les sources)
#   -h, --help            affiche cette aide
#
# Ce qui suit « -- » va à chaque ornival-compter (--echantillons, --seuil,
# --estimer...) ; chacun compte une photo à la fois sauf --jobs après « -- ». Photos, dossiers, fichier d'échantillons et ornival-compter
# doivent se trouver au même chemin sur chaque hôte (dossier partagé monté au
# même endroit) : chaque tâche tourne dans le dossier courant.
# Code de retour : 0 si toutes les photos sont comptées, 1 si une photo n'a pu
# l'être (sa ligne donne l'erreur), 2 si une tâche n'a pu tourner (options,
# hôte injoignable) : aucun tableau n'est alors écrit et FICHIER reste tel quel.
set -euo pipefail

say() { printf 'compter-parallele : %s\n' "$*" >&2; }
# An option's value, or a refusal (status 2) when it has none.
value() { [ $# -ge 2 ] || { say "$1 demande une valeur"; exit 2; }; }

here=$(cd "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")" && pwd)
logins=()
jobs=""
csv=""
lists=()
compter=""
inputs=()
options=()

while [ $# -gt 0 ]; do
  case $1 in
    -S|--sshlogin) value "$@"; logins+=("$2"); shift 2 ;;
    -j|--jobs) value "$@"; jobs=$2; shift 2 ;;
    --csv) value "$@"; csv=$2; shift 2 ;;
    --liste) value "$@"; lists+=("$2"); shift 2 ;;
    --compter) value "$@"; compter=$2; shift 2 ;;
    -h|--help) awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "${BASH_SOURCE[0]}"; exit 0 ;;
    --) shift; options=("$@"); break ;;
    -*) say "option inconnue : $1 (voir --help)"; exit 2 ;;
    *) inputs+=("$1"); shift ;;
  esac
done

if [ -n "$jobs" ] && ! [[ $jobs =~ ^[1-9][0-9]{0,3}$ ]]; then
  say "--jobs : '$jobs' n'est pas un nombre de tâches"
  exit 2
fi
for o in "${options[@]}"; do
  case $o in
    --csv|--csv=*) say "--csv après -- : le tableau fusionné se donne par --csv avant --"; exit 2 ;;
  esac
done
# Refused before counting, not after hours of it.
if [ -n "$csv" ] && { [ -d "$csv" ] || [ ! -w "$(dirname "$csv")" ]; }; then
  say "impossible d'écrire le tableau $csv"
  exit 2
fi
if ! command -v parallel >/dev/null; then
  say "GNU parallel est introuvable (paquet Debian parallel)"
  exit 2
fi
if [ -z "$compter" ]; then
  if command -v ornival-compter >/dev/null; then
    compter=$(command -v ornival-compter)
  elif [ -x "$here/../build/compter/ornival-compter" ]; then
    compter=$here/../build/compter/ornival-compter
  else
    say "ornival-compter est introuvable (voir --compter)"
    exit 2
  fi
fi
if [ ! -x "$compter" ] || [ -d "$compter" ]; then
  say "ornival-compter est introuvable : $compter"
  exit 2
fi
# Named from the calling folder, found the same from each task's folder.
compter=$(cd "$(dirname "$compter")" && pwd)/$(basename "$compter")

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# One input a line; the lists come after the arguments, in their order.
: >"$tmp/inputs"
[ ${#inputs[@]} -gt 0 ] && printf '%s\n' "${inputs[@]}" >>"$tmp/inputs"
for list in "${lists[@]}"; do
  if [ "$list" = - ]; then
    cat >>"$tmp/inputs"
  elif [ -r "$list" ]; then
    cat "$list" >>"$tmp/inputs"
  else
    say "impossible de lire la liste $list"
    exit 2
  fi
done
sed -i '/^$/d' "$tmp/inputs"
if [ ! -s "$tmp/inputs" ]; then
  say "aucune photo à compter (voir --help)"
  exit 2
fi

# The inputs and the options reach each task's shell as quoted words, so
# names with spaces or quotes stay whole on every host.
args=(--keep-order --halt never --joblog "$tmp/joblog" --arg-file "$tmp/inputs" --workdir "$PWD")
[ -n "$jobs" ] && args+=(--jobs "$jobs")
for login in "${logins[@]}"; do args+=(--sshlogin "$login"); done
# Each task counts one photo at a time unless its options say otherwise: the
# hosts' task counts already use their cores.
command=$(printf '%q ' "$compter" --jobs 1 "${options[@]}")
status=0
parallel "${args[@]}" "$command --" '{}' >"$tmp/rows" 2>"$tmp/errors" || status=$?
# parallel's status is the number of failed tasks; the job log says why.
failed=$(awk -F'\t' 'NR > 1 && ($7 > 1 || $8 != 0) { n++ } END { print n + 0 }' "$tmp/joblog")
counted_with_errors=$(awk -F'\t' 'NR > 1 && $7 == 1 && $8 == 0 { n++ } END { print n + 0 }' "$tmp/joblog")
tasks=$(awk 'NR > 1' "$tmp/joblog" | wc -l)
inputs_count=$(wc -l <"$tmp/inputs")
# A task that counted but met an unreadable photo exits 1 and still gave its
# rows; anything else (bad options, a lost host, a task never run) fails the
# whole survey.
if [ "$failed" -gt 0 ] || [ "$tasks" -ne "$inputs_count" ] || [ "$status" -gt "$counted_with_errors" ]; then
  cat "$tmp/errors" >&2
  awk -F'\t' 'NR > 1 && ($7 > 1 || $8 != 0) { print "compter-parallele : tâche échouée (code " $7 ", signal " $8 ") sur " $2 " : " $9 }' \
    "$tmp/joblog" >&2
  say "$failed tâche(s) sur $inputs_count n'ont pu être comptées : aucun tableau n'est écrit"
  exit 2
fi
cat "$tmp/errors" >&2

# One header: the first task's; every other task's header line is dropped.
awk 'NR == 1 { header = $0; print; next } $0 != header' "$tmp/rows" >"$tmp/table"
if [ -n "$csv" ]; then
  # Written whole or not at all: an earlier table of the same name stays
  # until the new one is complete.
  if ! { cp "$tmp/table" "$csv.tmp.$$" && mv -f "$csv.tmp.$$" "$csv"; }; then
    rm -f "$csv.tmp.$$"
    say "impossible d'écrire le tableau $csv"
    exit 2
  fi
else
  cat "$tmp/table"
fi
[ "$counted_with_errors" -gt 0 ] && exit 1
exit 0
