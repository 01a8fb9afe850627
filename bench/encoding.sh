#!/usr/bin/env bash
# Times tesmora-cli on the member list and on its UTF-8 twin (with a BOM, made
# by iconv), to show what the conversion at the edges costs.
#
# usage: bench/encoding.sh BUILD_DIR [RECORDS]
#
# RECORDS defaults to 1000000. save, sort --key 2 and stats run on both files,
# alternating, 5 times each as whole processes writing their output to files;
# the table shows the medians and the ratio UTF-8 / Shift-JIS. The outputs are
# checked: the UTF-8 results, converted back by iconv, equal the Shift-JIS
# ones. Exits 1 when a ratio is above 1.5 or a result differs.
set -uo pipefail

RUNS=5
source "$(dirname "$0")/lib.sh"
bench_args "2,11p" "$@"
require_tools iconv
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmora-encoding.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

bench_input "$gen" "$records"
twin="${input%.csv}-utf8bom.csv"
if [[ ! -s "$twin" ]]; then
    { printf '\xEF\xBB\xBF' && iconv -f CP932 -t UTF-8 "$input"; } >"$twin.tmp.$$" &&
        mv "$twin.tmp.$$" "$twin" || exit 1
fi
cat "$twin" >/dev/null

# median_of FILE: the middle line of FILE's sorted numbers.
median_of() { sort -n "$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# run ARGS FILE OUT TIMES: one whole-process run, its wall time appended to TIMES.
run() {
    local t0 t1
    t0=$EPOCHREALTIME
    # shellcheck disable=SC2086
    if ! "$cli" $1 "$2" ${3:+-o "$3"} >"$work/stdout.$4" 2>"$work/err"; then
        echo "failed: tesmora-cli $1 $2" >&2
        cat "$work/err" >&2
        exit 1
    fi
    t1=$EPOCHREALTIME
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }' >>"$work/times.$4"
}

printf '%s: %d records; Shift-JIS %d bytes, UTF-8 (BOM) %d bytes; median of %d\n\n' \
    "$(basename "$input")" "$records" "$(wc -c <"$input")" "$(wc -c <"$twin")" "$RUNS"
printf '%-24s %10s %10s %8s\n' command shift-jis utf-8 ratio
status=0
for args in "save" "sort --key 2" "stats"; do
    out_s="" out_u=""
    [[ $args != stats ]] && out_s="$work/s.out" out_u="$work/u.out"
    rm -f "$work"/times.*
    for ((i = 0; i < RUNS; i++)); do
        run "$args" "$input" "$out_s" s
        run "$args" "$twin" "$out_u" u
    done
    s=$(median_of "$work/times.s") u=$(median_of "$work/times.u")
    ratio=$(awk -v a="$u" -v b="$s" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
    printf '%-24s %10s %10s %7sx\n' "$args" "$s" "$u" "$ratio"
    if awk -v r="$ratio" 'BEGIN { exit !(r > 1.5) }'; then
        echo "    UTF-8 takes more than 1.5 times as long" >&2
        status=1
    fi
    if [[ -n $out_s ]]; then
        { head -c 3 "$out_u" | cmp -s - <(printf '\xEF\xBB\xBF'); } &&
            tail -c +4 "$out_u" | iconv -f UTF-8 -t CP932 | cmp -s - "$out_s" ||
            { echo "    results differ: $args" >&2 && status=1; }
    elif ! cmp -s "$work/stdout.s" "$work/stdout.u"; then
        echo "    results differ: $args" >&2
        status=1
    fi
done
exit $status
