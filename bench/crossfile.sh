#!/usr/bin/env bash
# Times tesmora-cli lookup and tailadd against mawk hash scripts doing the same work,
# with a 1,000-row code table and with a second file of one row per record.
#
# usage: bench/crossfile.sh BUILD_DIR [RECORDS]
#
# RECORDS defaults to 1000000; the input is the cached member list of bench/run.sh.
# tesmora-gen --table writes the code table (kana name -> code, field 2 of the
# records) and the second file (member number -> points and rank, field 0). Every
# command runs 3 times as a whole process writing its output to a file; the table
# shows the best wall time, the largest peak RSS and the ratios tesmora / peer. Exits 1
# when a tesmora command is not faster than its peer or the outputs differ.

# The mawk programs below are single-quoted on purpose.
# shellcheck disable=SC2016
set -uo pipefail

RUNS=3
source "$(dirname "$0")/lib.sh"
bench_args "2,12p" "$@"
require_tools mawk
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-crossfile.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

bench_input "$gen" "$records"
codes="${input%.csv}-codes1000.csv"
[[ -s "$codes" ]] || "$gen" --records 1000 --table codes -o "$codes" || exit 1
others="${input%.csv}-members.csv"
[[ -s "$others" ]] || "$gen" --records "$records" --table members -o "$others" || exit 1
cat "$codes" "$others" >/dev/null

size=$(wc -c <"$input")
printf '%s: %d records, %d bytes, best of %d; seconds, peak MiB, ratio = tesmora / peer\n' \
    "$(basename "$input")" "$records" "$size" "$RUNS"
printf 'code table: %d rows; second file: %d rows\n\n' "$(wc -l <"$codes")" "$(wc -l <"$others")"
print_header

# lookup_script FIELD, join_script FIELD: the peers, keyed on the records' FIELD ($N).
lookup_script() {
    echo 'LC_ALL=C mawk -F, -v OFS=, '\''NR==FNR{sub(/\r$/,"");m[$1]=$2;next} ($'"$1"' in m){$'"$1"'=m[$'"$1"']} 1'\'' '"$2"' "$1" >"$2"'
}
join_script() {
    echo 'LC_ALL=C mawk -F, '\''NR==FNR{sub(/\r$/,"");if(!($1 in m))m[$1]=$0;next} {sub(/\r$/,"")} ($'"$1"' in m){$0=$0 "," m[$'"$1"']} {print $0 "\r"}'\'' '"$2"' "$1" >"$2"'
}

compare "lookup --target 2 --other $codes --compare 0 --replace 1" "$input" \
    "mawk: hash of the code table" "$(lookup_script 3 "$codes")" same
compare "tailadd --key 2 --other $codes --other-key 0" "$input" \
    "mawk: hash of the code table" "$(join_script 3 "$codes")" same
compare "lookup --target 0 --other $others --compare 0 --replace 1" "$input" \
    "mawk: hash of the second file" "$(lookup_script 1 "$others")" same
compare "tailadd --key 0 --other $others --other-key 0" "$input" \
    "mawk: hash of the second file" "$(join_script 1 "$others")" same
exit $status
