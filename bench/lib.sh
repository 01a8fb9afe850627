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
