# Shared by the bench scripts: source it, then call bench_input.
# shellcheck shell=bash

BENCH_CACHE_DIR=${BENCH_CACHE_DIR:-/tmp/tesmora-bench}

# bench_args HELP_LINES "$@": takes BUILD_DIR [RECORDS] (or -h, which prints the
# script's header lines HELP_LINES) and sets build_dir, records, cli, gen and timer.
bench_args() {
    local help=$1
    shift
    if [[ $# -lt 1 || $# -gt 2 ]]; then
        echo "usage: $0 BUILD_DIR [RECORDS]" >&2
        exit 2
    fi
    if [[ "$1" == -h || "$1" == --help ]]; then
        sed -n "$help" "$0" | sed 's/^# \{0,1\}//'
        exit 0
    fi
    build_dir=$(cd "$1" 2>/dev/null && pwd) || {
        echo "$0: no such build directory: $1" >&2
        exit 1
    }
    records=${2:-1000000}
    if [[ ! "$records" =~ ^[0-9]+$ || "$records" -eq 0 ]]; then
        echo "usage: $0 BUILD_DIR [RECORDS]" >&2
        exit 2
    fi
    cli="$build_dir/src/cli/tesmora-cli"
    gen="$build_dir/bench/tesmora-gen"
    timer=/usr/bin/time
    [[ -x "$cli" ]] || {
        echo "$0: $cli is missing; build tesmora-cli first" >&2
        exit 1
    }
    [[ -x "$timer" ]] || {
        echo "$0: $timer is missing (package: time)" >&2
        exit 1
    }
}

# require_tools TOOL...: exits 1 naming the first tool that is not installed.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || {
            echo "$0: $tool is missing" >&2
            exit 1
        }
    done
}

# bench_input GEN RECORDS [STREAM]: sets `input` to a cached member list of RECORDS
# records made by tesmora-gen. The name carries a fingerprint of the generator's
# output, so a changed generator never reuses a stale file.
bench_input() {
    local gen=$1 records=$2 stream=${3:-1} fingerprint
    if [[ ! -x "$gen" ]]; then
        echo "$0: $gen is missing; build the project with -DTESMORA_BENCH=ON" >&2
        exit 1
    fi
    mkdir -p "$BENCH_CACHE_DIR" || exit 1
    fingerprint=$("$gen" --records 200 --stream "$stream" | md5sum | cut -c1-8)
    input="$BENCH_CACHE_DIR/members-$records-s$stream-$fingerprint.csv"
    if [[ ! -s "$input" ]]; then
        echo "generating $records records into $input"
        if ! "$gen" --records "$records" --stream "$stream" -o "$input.tmp.$$" ||
            ! mv "$input.tmp.$$" "$input"; then
            rm -f "$input.tmp.$$"
            echo "$0: generating the input failed" >&2
            exit 1
        fi
    fi
    # Warm the page cache so that the first measured run does not pay for the disk.
    cat "$input" >/dev/null
}

# The side-by-side timing of bench/ops.sh and bench/convert.sh. They set RUNS,
# work (a scratch folder), timer and cli (bench_args) and call print_header,
# then compare once per row; status ends 1 when a row failed.

# best_of COMMAND...: runs COMMAND $RUNS times (standard output to /dev/null); sets best
# (wall seconds) and peak (MiB).
best_of() {
    local i t0 t1 s kib
    best="" peak=0
    for ((i = 0; i < RUNS; i++)); do
        t0=$EPOCHREALTIME
        if ! LC_ALL=C "$timer" -f '%M' -o "$work/time" "$@" >/dev/null 2>"$work/err"; then
            echo "failed: $*" >&2
            cat "$work/err" >&2
            exit 1
        fi
        t1=$EPOCHREALTIME
        s=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
        kib=$(tail -n 1 "$work/time")
        if [[ -z "$best" ]] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$s
        fi
        peak=$(awk -v k="$kib" -v m="$peak" 'BEGIN { v = k / 1024; printf "%.1f", (v > m ? v : m) }')
    done
}

print_header() {
    printf '%-52s %8s %8s %8s %8s\n' command seconds MiB time_x mem_x
    status=0
}

# compare "tesmora-cli arguments" FILE [PEER_LABEL 'peer shell command' SAME]...
#   The peer command reads $1 and writes $2; SAME is "same" when the outputs must agree.
compare() {
    local args=$1 file=$2 t_s t_m
    shift 2
    # shellcheck disable=SC2086
    best_of "$cli" $args "$file" -o "$work/tesmora.out"
    t_s=$best t_m=$peak
    printf '%-52s %8s %8s\n' "tesmora-cli $args" "$t_s" "$t_m"
    while (($# >= 3)); do
        local label=$1 prog=$2 same=$3 tx mx
        shift 3
        best_of sh -c "$prog" peer "$file" "$work/peer.out"
        tx=$(awk -v a="$t_s" -v b="$best" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
        mx=$(awk -v a="$t_m" -v b="$peak" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
        printf '  %-50s %8s %8s %7sx %7sx\n' "$label" "$best" "$peak" "$tx" "$mx"
        if awk -v r="$tx" 'BEGIN { exit !(r >= 1) }'; then
            echo "    not faster than $label" >&2
            status=1
        fi
        if [[ $same == same ]] && ! cmp -s "$work/tesmora.out" "$work/peer.out"; then
            echo "    outputs differ: tesmora-cli $args / $label" >&2
            status=1
        fi
        rm -f "$work/peer.out"
    done
    rm -f "$work/tesmora.out"
}
