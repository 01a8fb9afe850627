#!/usr/bin/env bash
# Times tesmora-cli csv2txt and txt2csv against mawk scripts doing the same work.
#
# usage: bench/convert.sh BUILD_DIR [RECORDS]
#
# RECORDS defaults to 1000000; the input is the cached member list of bench/run.sh.
# csv2txt is compared with a two-pass mawk script (pass 1 finds each column's widest
# value in bytes); txt2csv runs on the fixed-width result, split at the column
# boundaries, against a mawk substr script. Every command runs 3 times as a whole
# process writing its output to a file; the table shows the best wall time, the
# largest peak RSS and the ratios tesmora / peer. Exits 1 when a tesmora command is
# not faster than its peer or an output that must agree differs.

# The mawk programs below are single-quoted on purpose.
# shellcheck disable=SC2016
set -uo pipefail

RUNS=3
source "$(dirname "$0")/lib.sh"
bench_args "2,12p" "$@"
require_tools mawk
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-convert.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

bench_input "$gen" "$records"
fixed="${input%.csv}-fixed.txt"
if [[ ! -s "$fixed" ]]; then
    "$cli" csv2txt --delete-commas "$input" -o "$fixed.tmp.$$" && mv "$fixed.tmp.$$" "$fixed" || exit 1
fi
# The column boundaries of the fixed-width file: the running sums of the widths.
splits=$(LC_ALL=C mawk -F, '{ sub(/\r$/, ""); for (i = 1; i <= NF; i++) if (length($i) > w[i]) w[i] = length($i)
    if (NF > n) n = NF } END { for (i = 1; i < n; i++) { c += w[i]; printf "%s%d", (i > 1 ? "," : ""), c } }' "$input")
cat "$fixed" >/dev/null

size=$(wc -c <"$input")
printf '%s: %d records, %d bytes, best of %d; seconds, peak MiB, ratio = tesmora / peer\n\n' \
    "$(basename "$input")" "$records" "$size" "$RUNS"
print_header

two_pass='NR == FNR { for (i = 1; i <= NF; i++) if (length($i) > w[i]) w[i] = length($i); if (NF > nf) nf = NF; next }'
compare "csv2txt --keep-commas" "$input" \
    "mawk: two passes, pad, keep commas" \
    'LC_ALL=C mawk -F, '\'' { sub(/\r$/, "") } '"$two_pass"'
        { s = ""; for (i = 1; i <= nf; i++) s = s sprintf("%-" w[i] "s", $i) (i < nf ? "," : ""); print s "\r" }'\'' "$1" "$1" >"$2"' same
compare "csv2txt --delete-commas" "$input" \
    "mawk: two passes, pad, delete commas" \
    'LC_ALL=C mawk -F, '\'' { sub(/\r$/, "") } '"$two_pass"'
        { s = ""; for (i = 1; i <= nf; i++) s = s sprintf("%-" w[i] "s", $i); print s "\r" }'\'' "$1" "$1" >"$2"' same
cut_script='BEGIN { n = split(cols, c, ",") }
    { sub(/\r$/, ""); s = ""; p = 0; for (i = 1; i <= n; i++) { s = s substr($0, p + 1, c[i] - p) ","; p = c[i] }
      print s substr($0, p + 1) "\r" }'
compare "txt2csv --splits $splits --no-trim" "$fixed" \
    "mawk: substr at the columns" \
    'LC_ALL=C mawk -v cols='"$splits"' '\'''"$cut_script"''\'' "$1" >"$2"' same
# The trim also removes full-width spaces, which the mawk script leaves.
compare "txt2csv --splits $splits" "$fixed" \
    "mawk: substr, trailing spaces removed" \
    'LC_ALL=C mawk -v cols='"$splits"' '\''BEGIN { n = split(cols, c, ",") }
        { sub(/\r$/, ""); s = ""; p = 0; for (i = 1; i <= n; i++) { f = substr($0, p + 1, c[i] - p); sub(/ +$/, "", f); s = s f ","; p = c[i] }
          f = substr($0, p + 1); sub(/ +$/, "", f); print s f "\r" }'\'' "$1" >"$2"' trim
exit $status
