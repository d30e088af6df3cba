# Shared by the GNU parallel and Slurm route tests (sourced): small products, one command file
# each through kivo-batch-split, a serial reference run and the comparison with it.
# The caller sets PROGRAM (kivo-meriview), GENERATOR (kivo-gen-products) and SPLIT
# (kivo-batch-split), calls start_work, and runs with set -euo pipefail.

# start_work: WORK, an empty temporary folder (the caller removes it). Every run of the test,
# serial or not, shares one settings file in it, so that no other test's settings change the
# outputs between the runs.
start_work() {
  WORK=$(mktemp -d)
  export KIVO_SETTINGS=$WORK/KIVOMeriview.ini
}

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# make_products COUNT: COUNT short Level 1B granules a minute apart (their swaths shift by a
# quarter degree of longitude), listed in $WORK/list.txt (LF).
make_products() {
  local count=$1 i start name
  mkdir -p "$WORK/products"
  : >"$WORK/list.txt"
  for ((i = 0; i < count; i++)); do
    start=$(printf '2012-07-03T10:%02d:00' $((5 + i)))
    name=$(printf 'GW1AM2_2012070310%02d_%03dA_L1SGBTBR_2220220.h5' $((5 + i)) $((200 + i)))
    "$GENERATOR" "$WORK/products/$name" --level 1B --scans 40 --overlap 0 --start "$start" --orbit $((200 + i)) >/dev/null
    echo "$WORK/products/$name" >>"$WORK/list.txt"
  done
}

# split_products: one command file per product in $WORK/jobs, listed in $WORK/commands.txt;
# each opens its product and saves a picture and the values of an area its swath crosses
# into $WORK/out.
split_products() {
  cat >"$WORK/template.out" <<TEMPLATE
VIEWHDF /T AMSR2 /L L1B /S 89AH /I {list} /V OFF
OUTIMG /F PNG /O $WORK/out/{name}.png
OUTCSV /G /R -80 90 -75 100 /O $WORK/out/{name}_{index}.csv
TEMPLATE
  "$SPLIT" "$WORK/list.txt" "$WORK/template.out" "$WORK/jobs" >"$WORK/commands.txt"
  [ "$(wc -l <"$WORK/commands.txt")" -eq "$(wc -l <"$WORK/list.txt")" ] || fail "not one command file per product"
}

# expected_outputs: the file names every run must leave in $WORK/out.
expected_outputs() {
  local index=0 path name
  while read -r path; do
    name=$(basename "$path" .h5)
    printf '%s.png\n%s_%04d.csv\n' "$name" "$name" "$index"
    index=$((index + 1))
  done <"$WORK/list.txt"
}

# run_serial: every command file one after the other; the outputs end up in $WORK/serial.
run_serial() {
  local file
  mkdir -p "$WORK/out"
  while read -r file; do
    "$PROGRAM" --batch "$file" >>"$WORK/serial.log" 2>&1 || fail "serial run of $file failed (see below)
$(cat "$WORK/serial.log")"
  done <"$WORK/commands.txt"
  mv "$WORK/out" "$WORK/serial"
  mkdir -p "$WORK/out"
}

# compare_outputs: $WORK/out holds exactly the expected outputs, each byte-equal to the serial
# run's, and no two outputs are alike (every run opened its own product).
compare_outputs() {
  local name
  diff <(expected_outputs | sort) <(ls "$WORK/out" | sort) || fail "outputs differ from the expected set"
  diff <(expected_outputs | sort) <(ls "$WORK/serial" | sort) || fail "serial outputs differ from the expected set"
  while read -r name; do
    cmp "$WORK/serial/$name" "$WORK/out/$name" || fail "$name differs from the serial run"
  done < <(expected_outputs)
  [ "$(cd "$WORK/out" && md5sum * | cut -d' ' -f1 | sort -u | wc -l)" -eq "$(expected_outputs | wc -l)" ] ||
    fail "two outputs are alike"
}
