#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UBSan into
# build-fuzz and runs each for SECONDS (default 60) from the starting inputs in
# tests/fuzz/corpus, printing libFuzzer's summary line per target. New
# inputs go to build-fuzz/corpus, findings to build-fuzz/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
dir=$PWD/build-fuzz
targets=(load text transforms args encoding)
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESMORA_SANITIZE=ON -DTESMORA_FUZZ=ON -DTESMORA_TESTS=OFF -DTESMORA_DESKTOP=OFF \
    -DTESMORA_BENCH=OFF >/dev/null
cmake --build "$dir" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null
mkdir -p "$dir/artifacts"
status=0
for t in "${targets[@]}"; do
    mkdir -p "$dir/corpus/$t"
    log="$dir/fuzz_$t.log"
    # The batch front end's own output and messages would only slow it down.
    extra=()
    [ "$t" = args ] && extra=(-close_fd_mask=3 -dict="$PWD/tests/fuzz/args.dict")
    if UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 "$dir/tests/fuzz/fuzz_$t" \
        -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=0 \
        -artifact_prefix="$dir/artifacts/$t-" "${extra[@]}" \
        "$dir/corpus/$t" "$PWD/tests/fuzz/corpus/$t" >"$log" 2>&1; then
        echo "fuzz_$t: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)"
    else
        echo "fuzz_$t: FAILED (see $log)"
        grep -E 'ERROR|fuzz check failed|SUMMARY|Test unit written' "$log" | head -5
        status=1
    fi
done
exit $status
