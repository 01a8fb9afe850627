#!/usr/bin/env bash
# Times a seven-step recipe (tesmora-cli run) against the same seven commands
# run one at a time, each a whole process reading the previous one's output.
#
# usage: bench/recipe.sh BUILD_DIR [RECORDS]
#
# RECORDS defaults to 1000000. The input comes from BUILD_DIR/bench/tesmora-gen
# (cached under /tmp/tesmora-bench/). Both ways run 3 times; the table shows
# the best wall time of each and their ratio. The two results are compared
# byte for byte. Exits 1 when they differ or the recipe takes more than 0.8
# of the commands' time.
set -uo pipefail

RUNS=3
LIMIT=0.8

source "$(dirname "$0")/lib.sh"
bench_args "2,12p" "$@"
require_tools cmp awk

work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-recipe.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
bench_input "$gen" "$records"

# The monthly routine: order by member number, reduce repeats, drop, look up,
# clean, cut to width.
# A code table for the first field and a replacement set for the address.
awk -F, 'NR % 7 == 0 && NR <= 70000 { printf "%s,X%s\r\n", $1, substr($1, 4) }' "$input" \
    >"$work/codes.csv"
printf '丁目\x14-\r\n番\x14-\r\n号室\x14\r\n' | iconv -f utf-8 -t cp932 >"$work/clean.cng"
steps=(
    "sort --key 0"
    "dedupe --key 0 --mode 0"
    "delete --from 6 --to 6 --word1 /03/ --delete-matching"
    "lookup --target 0 --other codes.csv --compare 0 --replace 1"
    "replace --pairs clean.cng --from 4 --to 4"
    "fieldlen --field 1 --length 20"
    "csv2txt --delete-commas"
)
{
    echo "# tesmora recipe"
    printf '%s\n' "${steps[@]}"
} >"$work/monthly.txt"

one_at_a_time() {
    local from=$input i
    for i in "${!steps[@]}"; do
        # shellcheck disable=SC2086
        "$cli" ${steps[$i]} "$from" -o "step$i.csv" || return 1
        [[ $from == "$input" ]] || rm -f "$from"
        from=step$i.csv
    done
    mv "$from" commands.out
}

recipe() {
    "$cli" run monthly.txt "$input" -o recipe.out
}

# best_of FUNCTION: the best wall time of RUNS runs, in best.
best_of() {
    local i t0 t1 s
    best=""
    for ((i = 0; i < RUNS; i++)); do
        t0=$EPOCHREALTIME
        "$1" || {
            echo "failed: $1" >&2
            exit 1
        }
        t1=$EPOCHREALTIME
        s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
        if [[ -z "$best" ]] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$s
        fi
    done
}

cd "$work" || exit 1
printf '%s: %d records, %d bytes, %d steps, best of %d\n\n' "$(basename "$input")" "$records" \
    "$(wc -c <"$input")" "${#steps[@]}" "$RUNS"
best_of one_at_a_time
commands=$best
best_of recipe
ratio=$(awk -v a="$best" -v b="$commands" 'BEGIN { printf "%.2f", a / b }')
printf '%-40s %8s s\n' "seven commands, one process each" "$commands"
printf '%-40s %8s s\n' "tesmora-cli run monthly.txt" "$best"
printf '%-40s %8s\n' "ratio run / commands" "$ratio"
status=0
if ! cmp -s commands.out recipe.out; then
    echo "outputs differ" >&2
    status=1
else
    echo "outputs identical ($(wc -l <recipe.out) records)"
fi
if awk -v r="$ratio" -v l="$LIMIT" 'BEGIN { exit !(r > l) }'; then
    echo "the recipe takes more than $LIMIT of the commands' time" >&2
    status=1
fi
exit $status
