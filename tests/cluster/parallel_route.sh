#!/usr/bin/env bash
# GNU parallel route: the command files of several products run two at a time with
# parallel -j 2 and leave the same outputs as a serial run of the same files.
#   parallel_route.sh PROGRAM GENERATOR SPLIT
set -euo pipefail
PROGRAM=$(realpath "$1") GENERATOR=$(realpath "$2") SPLIT=$(realpath "$3")
source "$(dirname "$0")/routes_common.sh"
command -v parallel >/dev/null || fail "GNU parallel is not installed"

start_work
trap 'rm -rf "$WORK"' EXIT

make_products 4
split_products
run_serial
parallel --will-cite -j 2 --halt now,fail=1 "$PROGRAM" --batch {} <"$WORK/commands.txt" >"$WORK/parallel.log" 2>&1 ||
  fail "parallel run failed:
$(cat "$WORK/parallel.log")"
compare_outputs
echo "parallel route: $(wc -l <"$WORK/commands.txt") products, outputs equal to the serial run"
