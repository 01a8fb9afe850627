#!/usr/bin/env bash
# Times tesmora-cli replace over all fields with sets of 100 and 1,000 pairs against a
# one-pass perl replacement (a longest-first alternation of all before-strings) and
# sed -f with one s/before/after/g per pair (the same pair-by-pair order as ours).
#
# usage: bench/replace.sh BUILD_DIR [RECORDS]
#
# RECORDS defaults to 1000000. The input and the pair sets come from
# BUILD_DIR/bench/tesmora-gen (input cached under /tmp/tesmora-bench/ as bench/run.sh
# names it); the first half of each set are words of the records, the rest absent.
# tesmora and perl run 3 times, sed once (it is slow), each as a whole process writing its
# output to a file; the table shows the best wall time, the largest peak RSS and the
# ratios tesmora / peer. The peers match bytes, so they also replace inside double-byte
# characters; the lines where they differ from tesmora are counted. Exits 1 when tesmora
# is not 3 times faster than perl or not faster than sed.

set -uo pipefail

RUNS=3
SED_RUNS=1
CACHE_DIR=/tmp/tesmora-bench

source "$(dirname "$0")/lib.sh"
bench_dir=$(cd "$(dirname "$0")" && pwd)
bench_args "2,15p" "$@"
require_tools perl sed cmp diff

mkdir -p "$CACHE_DIR" || exit 1
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-replace.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

BENCH_CACHE_DIR=$CACHE_DIR bench_input "$gen" "$records"

# The sed peer's script: one s///g a pair, in order, bytes escaped for a basic regex.
cat >"$work/to_sed.pl" <<'EOF'
open(my $f, '<:raw', $ARGV[0]) or die "$ARGV[0]: $!";
while (my $l = <$f>) {
    $l =~ s/\r?\n\z//;
    my ($b, $a) = split /\x14/, $l, 2;
    next unless defined $a;
    $b =~ s{([\\/.*\[\]^\$])}{\\$1}g;
    $a =~ s{([\\/&])}{\\$1}g;
    print "s/$b/$a/g\n";
}
EOF

size=$(wc -c <"$input")
printf '%s: %d records, %d bytes; seconds, peak MiB, ratio = tesmora / peer\n\n' \
    "$(basename "$input")" "$records" "$size"
printf '%-58s %8s %8s %8s %8s %s\n' command seconds MiB time_x mem_x "lines differing"
status=0

# peer LABEL RUNS NEED 'shell command': the command reads $1 and writes $2; NEED is the
# speed-up tesmora must reach.
peer() {
    local label=$1 runs=$2 need=$3 prog=$4 tx mx differ
    RUNS=$runs best_of sh -c "$prog" peer "$input" "$work/peer.out"
    tx=$(awk -v a="$t_s" -v b="$best" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    mx=$(awk -v a="$t_m" -v b="$peak" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    differ=0
    if ! cmp -s "$work/tesmora.out" "$work/peer.out"; then
        differ=$(diff "$work/tesmora.out" "$work/peer.out" | grep -c '^<')
    fi
    printf '  %-56s %8s %8s %7sx %7sx %s\n' "$label" "$best" "$peak" "$tx" "$mx" "$differ"
    if awk -v r="$tx" -v n="$need" 'BEGIN { exit !(r * n > 1) }'; then
        echo "    not $need times faster than $label" >&2
        status=1
    fi
    rm -f "$work/peer.out"
}

for pairs in 100 1000; do
    set_file="$work/set$pairs.cng"
    "$gen" --pair-set "$pairs" -o "$set_file" || exit 1
    perl "$work/to_sed.pl" "$set_file" >"$work/set$pairs.sed" || exit 1
    args="replace --pairs set$pairs.cng --from 0 --to 6"
    best_of "$cli" replace --pairs "$set_file" --from 0 --to 6 "$input" \
        -o "$work/tesmora.out"
    t_s=$best t_m=$peak
    printf '%-58s %8s %8s\n' "tesmora-cli $args" "$t_s" "$t_m"
    peer "perl: one pass, longest-first alternation" "$RUNS" 3 \
        "PAIRS='$set_file' perl -n '$bench_dir/one_pass.pl' \"\$1\" >\"\$2\""
    peer "sed -f: one s///g a pair" "$SED_RUNS" 1 \
        "LC_ALL=C sed -f '$work/set$pairs.sed' \"\$1\" >\"\$2\""
    rm -f "$work/tesmora.out"
done
exit $status
