#!/usr/bin/env bash
# Each tesmora-cli command beside the tool that sets its pace, in one run, with
# the ratio the command is held to:
#   the streaming commands      at most 2 x cp of the same file
#   delete with one word        at most 1 x grep -v -F
#   replace, 100 pairs that change nearly every record
#                               at most 1/4 of a one-pass perl
#   sort                        at most 1/2 of GNU sort on both cores
#   stats                       at most 2 x wc -l
#
# usage: bench/peers.sh BUILD_DIR [RECORDS]
#
# RECORDS defaults to 1000000 (the input and the pair set come from
# BUILD_DIR/bench/tesmora-gen, cached under /tmp/tesmora-bench/). Every command
# runs 5 times as a whole process writing its output to a file, alternating with
# its peer, each run after a sync; the table shows the median wall seconds of
# each, the peak MiB of tesmora-cli and the ratio of the medians. Exits 1 when a
# ratio is over its limit.

# The peer commands below are single-quoted on purpose: they expand in the timed shell.
# shellcheck disable=SC2016
set -uo pipefail

RUNS=5
CACHE_DIR=/tmp/tesmora-bench

source "$(dirname "$0")/lib.sh"
bench_dir=$(cd "$(dirname "$0")" && pwd)
bench_args "2,18p" "$@"
require_tools perl sort grep wc cp

work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-peers.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
cli=$(realpath "$cli") gen=$(realpath "$gen")

BENCH_CACHE_DIR=$CACHE_DIR bench_input "$gen" "$records"
sorted="$work/by2.csv"
LC_ALL=C sort -t, -k3,3 -s "$input" >"$sorted" || exit 1
"$gen" --records 300 --table codes -o "$work/codes.csv" || exit 1
"$gen" --pair-set 100 -o "$work/set.cng" || exit 1
"$cli" csv2txt --delete-commas "$input" -o "$work/fixed.txt" || exit 1
cat "$input" "$sorted" "$work/fixed.txt" >/dev/null
# The other files by their short names, in the table too.
cd "$work" || exit 1

# times "shell command": runs it RUNS times; sets times (wall seconds, one a line)
# and peak (the largest MiB).
times_of() {
    local t0 t1 kib
    times="" peak=0
    for ((i = 0; i < RUNS; i++)); do
        # The last run's output goes to the disk first, untimed: its writeback
        # would otherwise land in whichever command runs next.
        sync
        t0=$EPOCHREALTIME
        if ! LC_ALL=C "$timer" -f '%M' -o "$work/time" sh -c "$1" >/dev/null 2>"$work/err"; then
            echo "failed: $1" >&2
            cat "$work/err" >&2
            exit 1
        fi
        t1=$EPOCHREALTIME
        times+=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }')$'\n'
        kib=$(tail -n 1 "$work/time")
        peak=$(awk -v k="$kib" -v m="$peak" 'BEGIN { v = k / 1024; printf "%.1f", (v > m ? v : m) }')
    done
}

median() {
    sort -n | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'
}

status=0
printf '%-58s %7s %7s  %-22s %7s %6s %6s\n' "tesmora-cli" seconds MiB peer seconds ratio limit

# against "tesmora-cli arguments" FILE "peer label" 'peer command' LIMIT: the peer
# command reads $in and writes $out. The two alternate, one run each in turn.
against() {
    local args=$1 file=$2 label=$3 peer=$4 limit=$5 mine=() theirs=() m p r mem to
    # stats prints; every other command writes -o OUTPUT.
    to='-o "$out"'
    [[ $args == stats* ]] && to='>"$out"'
    for ((round = 0; round < RUNS; round++)); do
        RUNS=1 times_of "in=\"$file\" out=\"$work/out\"; \"$cli\" $args \"\$in\" $to"
        mine+=("$times")
        mem=$peak
        RUNS=1 times_of "in=\"$file\" out=\"$work/peer.out\"; $peer"
        theirs+=("$times")
    done
    m=$(printf '%s' "${mine[@]}" | median)
    p=$(printf '%s' "${theirs[@]}" | median)
    r=$(awk -v a="$m" -v b="$p" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf '%-58s %7s %7s  %-22s %7s %6s %6s\n' "$args" "$m" "$mem" "$label" "$p" "$r" "$limit"
    if awk -v r="$r" -v l="$limit" 'BEGIN { exit !(r > l) }'; then
        echo "    over the limit" >&2
        status=1
    fi
    rm -f "$work/out" "$work/peer.out"
}

copy='cp "$in" "$out"'
against "delete --from 0 --to 6 --word1 /03/ --delete-matching" "$input" cp "$copy" 2
against "delete --from 0 --to 6 --word1 /03/ --delete-matching" "$input" \
    "grep -v -F" 'grep -v -F /03/ "$in" >"$out"' 1
against "fieldlen --field 3 --length 10" "$input" cp "$copy" 2
against "lookup --target 2 --other codes.csv --compare 0 --replace 1" "$input" \
    cp "$copy" 2
against "tailadd --key 2 --other codes.csv --other-key 0" "$input" cp "$copy" 2
against "dedupe --key 2 --mode 0" "$sorted" cp "$copy" 2
against "reclen --length 100" "$input" cp "$copy" 2
against "field-delete --field 4" "$input" cp "$copy" 2
against "field-paste --copy 0 --target 6 --side right" "$input" cp "$copy" 2
against "txt2csv --splits 12,40,70" "$work/fixed.txt" cp "$copy" 2
against "replace --pairs set.cng --from 0 --to 6" "$input" \
    "perl, one pass" "PAIRS=\"$work/set.cng\" perl -n \"$bench_dir/one_pass.pl\" <\"\$in\" >\"\$out\"" 0.25
against "sort --key 2" "$input" "GNU sort, 2 threads" \
    'LC_ALL=C sort --parallel=2 -t, -k3,3 -s "$in" -o "$out"' 0.5
against "stats" "$input" "wc -l" 'wc -l "$in" >"$out"' 2
exit $status
