#!/usr/bin/env bash
# Times tesmora-cli against standard tools on a generated member list.
#
# usage: bench/run.sh [--check] BUILD_DIR [RECORDS]
#
# RECORDS defaults to 1000000. The input is generated once with BUILD_DIR/bench/tesmora-gen
# and cached under /tmp/tesmora-bench/. Every command is run 3 times as a whole process; the
# table shows the best wall time, the largest peak RSS, and the ratios tesmora/peer.
# --check exits 1 when a ratio breaks its limit (the limit column).
#
# To add a benchmark, add one `compare` line at the bottom:
#   compare NAME "tesmora command" "peer command" [LIMIT] ["peer command" [LIMIT]]...
# In commands, {CLI} is tesmora-cli, {FILE} the input and {OUT} a scratch output file.
# LIMIT is "<=X" or "<X" on the time ratio tesmora/peer. Peers run with LC_ALL=C.

set -uo pipefail

RUNS=3
CACHE_DIR=/tmp/tesmora-bench
STREAM=1

usage() {
    echo "usage: $0 [--check] BUILD_DIR [RECORDS]" >&2
    exit 2
}

check_mode=0
args=()
for a in "$@"; do
    case "$a" in
        --check) check_mode=1 ;;
        -h | --help)
            sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'
            exit 0
            ;;
        -*) usage ;;
        *) args+=("$a") ;;
    esac
done
[[ ${#args[@]} -ge 1 && ${#args[@]} -le 2 ]] || usage
build_dir=$(cd "${args[0]}" 2>/dev/null && pwd) || {
    echo "$0: no such build directory: ${args[0]}" >&2
    exit 1
}
records=${args[1]:-1000000}
[[ "$records" =~ ^[0-9]+$ && "$records" -gt 0 ]] || {
    echo "$0: RECORDS must be a positive number" >&2
    exit 2
}

gen="$build_dir/bench/tesmora-gen"
cli="$build_dir/src/cli/tesmora-cli"
timer=/usr/bin/time
if [[ ! -x "$cli" ]]; then
    echo "$0: $cli does not exist yet; build tesmora-cli first" >&2
    exit 1
fi
if [[ ! -x "$gen" ]]; then
    echo "$0: $gen does not exist; build the bench directory first" >&2
    exit 1
fi
if [[ ! -x "$timer" ]]; then
    echo "$0: $timer is missing (Debian/Ubuntu package: time)" >&2
    exit 1
fi
source "$(dirname "$0")/lib.sh"
require_tools mawk wc cat
BENCH_CACHE_DIR=$CACHE_DIR bench_input "$gen" "$records" "$STREAM"

scratch=$(mktemp -d "$CACHE_DIR/run.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT

size_mb=$(awk -v b="$(stat -c %s "$input")" 'BEGIN { printf "%.1f", b / 1e6 }')
echo "input: $records records, $size_mb MB, $input"
echo "best of $RUNS runs; wall seconds, peak RSS MiB, ratio = tesmora / peer"
echo
printf '%-8s %-44s %9s %9s %8s %8s  %s\n' "name" "command" "seconds" "peak MiB" "time x" "mem x" "limit"

failures=()

# expand TEMPLATE OUTFILE: the runnable command.
expand() {
    local c=$1
    c=${c//\{CLI\}/\'$cli\'}
    c=${c//\{FILE\}/\'$input\'}
    c=${c//\{OUT\}/\'$2\'}
    printf '%s' "$c"
}

# label TEMPLATE: the command as shown in the table.
label() {
    local c=$1
    c=${c//\{CLI\}/tesmora-cli}
    c=${c//\{FILE\}/FILE}
    c=${c//\{OUT\}/OUT}
    ((${#c} > 44)) && c="${c:0:41}..."
    printf '%s' "$c"
}

# measure TEMPLATE OUTFILE PEER(0|1): sets m_sec (best wall time) and m_mib (largest peak
# RSS); returns 1 when the command fails.
measure() {
    local cmd tfile efile i t0 t1 sec kib
    cmd=$(expand "$1" "$2")
    tfile="$scratch/time" efile="$scratch/stderr"
    m_sec="" m_mib=0
    for ((i = 0; i < RUNS; i++)); do
        t0=$EPOCHREALTIME
        if [[ $3 == 1 ]]; then
            LC_ALL=C "$timer" -f '%e %M' -o "$tfile" bash -c "$cmd" >/dev/null 2>"$efile"
        else
            "$timer" -f '%e %M' -o "$tfile" bash -c "$cmd" >/dev/null 2>"$efile"
        fi
        local rc=$?
        t1=$EPOCHREALTIME
        if ((rc != 0)); then
            m_err=$(head -c 300 "$efile")
            return 1
        fi
        sec=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')
        kib=$(tail -n 1 "$tfile" | awk '{ print $2 }')
        if [[ -z "$m_sec" ]] || awk -v a="$sec" -v b="$m_sec" 'BEGIN { exit !(a < b) }'; then
            m_sec=$sec
        fi
        m_mib=$(awk -v k="$kib" -v m="$m_mib" 'BEGIN { v = k / 1024; printf "%.1f", (v > m ? v : m) }')
    done
    return 0
}

# compare NAME TESMORA_TEMPLATE PEER_TEMPLATE [LIMIT] [PEER_TEMPLATE [LIMIT]]...
compare() {
    local name=$1 tcmd=$2
    shift 2
    local t_sec t_mib
    if ! measure "$tcmd" "$scratch/out-tesmora" 0; then
        printf '%-8s %-44s %9s\n' "$name" "$(label "$tcmd")" "FAILED"
        printf '         %s\n' "${m_err//$'\n'/ }"
        failures+=("$name: the tesmora command failed")
        return
    fi
    t_sec=$m_sec t_mib=$m_mib
    printf '%-8s %-44s %9.3f %9.1f\n' "$name" "$(label "$tcmd")" "$t_sec" "$t_mib"
    while (($# > 0)); do
        local pcmd=$1 limit=""
        shift
        if (($# > 0)) && [[ $1 == \<* ]]; then
            limit=$1
            shift
        fi
        if ! measure "$pcmd" "$scratch/out-peer" 1; then
            printf '%-8s %-44s %9s\n' "" "$(label "$pcmd")" "FAILED"
            printf '         %s\n' "${m_err//$'\n'/ }"
            failures+=("$name: the peer command failed: $(label "$pcmd")")
            continue
        fi
        local tx mx verdict=""
        tx=$(awk -v a="$t_sec" -v b="$m_sec" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
        mx=$(awk -v a="$t_mib" -v b="$m_mib" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
        if [[ -n "$limit" ]]; then
            local op=${limit%%[0-9.]*} bound=${limit#"${limit%%[0-9.]*}"}
            if awk -v r="$tx" -v b="$bound" -v op="$op" \
                'BEGIN { exit !((op == "<=" && r <= b) || (op == "<" && r < b)) }'; then
                verdict="$limit ok"
            else
                verdict="$limit FAIL"
                failures+=("$name: ${tx}x against $(label "$pcmd") breaks the limit $limit")
            fi
        fi
        printf '%-8s %-44s %9.3f %9.1f %7sx %7sx  %s\n' "" "$(label "$pcmd")" "$m_sec" "$m_mib" \
            "$tx" "$mx" "$verdict"
    done
}

# stats: one pass over the file, like counting lines or indexing line offsets.
compare stats "{CLI} stats {FILE}" \
    "wc -l {FILE}" "<=6" \
    "mawk '{print o; o+=length(\$0)+1}' {FILE} > /dev/null" "<1"

# save: open and write the records back, like a plain copy.
compare save "{CLI} save {FILE} -o {OUT}" \
    "cat {FILE} > {OUT}" "<=2"
if [[ -s "$scratch/out-tesmora" ]] && ! cmp -s "$input" "$scratch/out-tesmora"; then
    echo "note: the saved file differs from the input"
fi

echo
if ((${#failures[@]} > 0)); then
    if ((check_mode)); then
        for f in "${failures[@]}"; do echo "check failed: $f"; done
        exit 1
    fi
    for f in "${failures[@]}"; do echo "over the limit: $f"; done
else
    echo "all limits met"
fi
exit 0
