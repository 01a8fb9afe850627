#!/usr/bin/env bash
# Times tesmora-cli sort, dedupe, delete, reclen and fieldlen against standard tools doing
# the same work.
#
# usage: bench/ops.sh BUILD_DIR [RECORDS]
#
# RECORDS defaults to 1000000. The input comes from BUILD_DIR/bench/tesmora-gen (cached
# under /tmp/tesmora-bench/ as bench/run.sh names it).
# dedupe runs on the input sorted by field 2. Every command runs 3 times as a
# whole process writing its output to a file; the table shows the best wall time, the
# largest peak RSS and the ratios tesmora / peer. Outputs that must agree are compared
# byte for byte. Exits 1 when a tesmora command is not faster than a peer or an output
# differs.

# The mawk programs below are single-quoted on purpose.
# shellcheck disable=SC2016
set -uo pipefail

RUNS=3
CACHE_DIR=/tmp/tesmora-bench

source "$(dirname "$0")/lib.sh"
bench_args "2,13p" "$@"
require_tools mawk sort grep cmp

mkdir -p "$CACHE_DIR" || exit 1
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-ops.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

BENCH_CACHE_DIR=$CACHE_DIR bench_input "$gen" "$records"
sorted="${input%.csv}-by2.csv"
if [[ ! -s "$sorted" ]]; then
    LC_ALL=C sort -t, -k3,3 -s "$input" >"$sorted.tmp.$$" && mv "$sorted.tmp.$$" "$sorted" || exit 1
fi
# Warm the page cache so that the first measured run does not pay for the disk.
cat "$input" "$sorted" >/dev/null

size=$(wc -c <"$input")
printf '%s: %d records, %d bytes, best of %d; seconds, peak MiB, ratio = tesmora / peer\n\n' \
    "$(basename "$input")" "$records" "$size" "$RUNS"
print_header
compare "sort --key 2" "$input" \
    "sort -t, -k3,3 -s" 'LC_ALL=C sort -t, -k3,3 -s "$1" -o "$2"' same
compare "sort --key 2 --desc" "$input" \
    "sort -t, -k3,3r -s" 'LC_ALL=C sort -t, -k3,3r -s "$1" -o "$2"' same
compare "dedupe --key 2 --mode 0" "$sorted" \
    "mawk: first of every run" \
    'mawk -F, '\''{ k = $3 } NR == 1 || p == "" || k != p { print } { p = k }'\'' "$1" >"$2"' same
compare "dedupe --key 2 --mode 1" "$sorted" \
    "mawk: records that do not repeat" \
    'mawk -F, '\''{ k = $3; if (NR > 1 && p != "" && k == p) d++; else { if (NR > 1 && !d) print l; l = $0; d = 0 }; p = k }
        END { if (NR && !d) print l }'\'' "$1" >"$2"' same
compare "delete --from 0 --to 6 --word1 /03/ --delete-matching" "$input" \
    "mawk: index(\$0, w) == 0" 'mawk '\''index($0, "/03/") == 0'\'' "$1" >"$2"' same \
    "grep -v -F /03/" 'grep -v -F /03/ "$1" >"$2"' same
compare "delete --from 2 --to 2 --word1 ﾀﾅｶ --keep-matching" "$input" \
    "mawk: index(\$3, w)" 'mawk -F, '\''index($3, "\300\305\266")'\'' "$1" >"$2"' same
compare "reclen --longest" "$input" \
    "mawk: two passes, pad to the longest" \
    'mawk '\''NR == FNR { n = length($0) - 1; if (n > m) m = n; next }
        { sub(/\r$/, ""); printf "%-" m "s\r\n", $0 }'\'' "$1" "$1" >"$2"' same
# A cut inside a double-byte character differs by design (tesmora never leaves half of it).
compare "reclen --length 100" "$input" \
    "mawk: cut or pad to 100 bytes" \
    'mawk '\''{ sub(/\r$/, ""); printf "%-100.100s\r\n", $0 }'\'' "$1" >"$2"' cut
compare "fieldlen --field 3 --length 10" "$input" \
    "mawk: pad field 3" \
    'mawk -F, -v OFS=, '\''{ $4 = sprintf("%-10s", $4); print }'\'' "$1" >"$2"' same
compare "fieldlen --field 0 --length 8 --keep-end" "$input" \
    "mawk: keep the last 8 bytes of field 0" \
    'mawk -F, -v OFS=, '\''{ n = length($1); $1 = n > 8 ? substr($1, n - 7) : sprintf("%8s", $1); print }'\'' "$1" >"$2"' same
exit $status
