#!/usr/bin/env bash
# Times tesmora-cli field-delete and field-paste against mawk doing the same edit.
#
# usage: bench/fields.sh BUILD_DIR [RECORDS]
#
# RECORDS defaults to 1000000. The input comes from BUILD_DIR/bench/tesmora-gen (seven
# Shift-JIS fields per record, CR LF). Every
# command runs 3 times as a whole process writing to a file; the table shows the best wall
# time in seconds and the largest peak RSS in KiB, and the outputs are compared byte for byte.

# The mawk programs below are single-quoted on purpose.
# shellcheck disable=SC2016
set -uo pipefail

RUNS=3
STREAM=1
CACHE_DIR=/tmp/tesmora-bench

source "$(dirname "$0")/lib.sh"
bench_args "2,9p" "$@"
require_tools mawk

mkdir -p "$CACHE_DIR" || exit 1
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-fields.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

BENCH_CACHE_DIR=$CACHE_DIR bench_input "$gen" "$records" "$STREAM"
size=$(wc -c <"$input")

# best_of NAME COMMAND...: runs COMMAND $RUNS times; sets best (s) and peak (KiB).
best_of() {
    local name=$1 i t m
    shift
    best="" peak=0
    for ((i = 0; i < RUNS; i++)); do
        if ! LC_ALL=C "$timer" -f '%e %M' -o "$work/time" "$@" 2>"$work/err"; then
            echo "$name failed:" >&2
            cat "$work/err" >&2
            exit 1
        fi
        read -r t m <"$work/time"
        if [[ -z "$best" ]] || awk "BEGIN { exit !($t < $best) }"; then best=$t; fi
        ((m > peak)) && peak=$m
    done
}

printf '%s: %d records, %d bytes, best of %d\n\n' "$(basename "$input")" "$records" "$size" "$RUNS"
printf '%-44s %9s %11s %9s %11s %7s\n' edit tesmora_s tesmora_KiB mawk_s mawk_KiB ratio
status=0

# compare LABEL "tesmora-cli arguments" 'mawk program'
compare() {
    local label=$1 args=$2 prog=$3 t_s t_k m_s m_k ratio
    # shellcheck disable=SC2086
    best_of "tesmora-cli $args" "$cli" $args "$input" -o "$work/tesmora.out"
    t_s=$best t_k=$peak
    best_of "mawk" sh -c "mawk -F, -v OFS=, '$prog' \"\$1\" >\"\$2\"" mawk "$input" "$work/mawk.out"
    m_s=$best m_k=$peak
    ratio=$(awk "BEGIN { printf \"%.2f\", ($m_s > 0 ? $t_s / $m_s : 0) }")
    printf '%-44s %9s %11s %9s %11s %7s\n' "$label" "$t_s" "$t_k" "$m_s" "$m_k" "$ratio"
    if ! cmp -s "$work/tesmora.out" "$work/mawk.out"; then
        echo "  outputs differ: $label" >&2
        status=1
    fi
    rm -f "$work/tesmora.out" "$work/mawk.out"
}

compare "field-delete --field 1" "field-delete --field 1" \
    '{ s = $1; for (i = 3; i <= NF; i++) s = s OFS $i; print s }'
compare "field-delete --from 2 --to 3" "field-delete --from 2 --to 3" \
    '{ s = $1 OFS $2; for (i = 5; i <= NF; i++) s = s OFS $i; print s }'
compare "field-paste --copy 0 --target 4 --side over" "field-paste --copy 0 --target 4 --side over" \
    '{ $5 = $1; print }'
compare "field-paste --cut 1 --target 4 --side right" "field-paste --cut 1 --target 4 --side right" \
    '{ s = $1; for (i = 3; i <= NF; i++) { s = s OFS $i; if (i == 5) s = s OFS $2 }; print s }'
compare "field-paste --copy 6 --target 0 --side left" "field-paste --copy 6 --target 0 --side left" \
    '{ d = $7; sub(/\r$/, "", d); print d OFS $0 }'
exit $status
