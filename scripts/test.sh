#!/usr/bin/env bash
# Installs, builds and runs every test: the release build (engine, batch front
# end and desktop suites), an AddressSanitizer + UBSan build of the engine
# tests, and a short run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
bash scripts/build.sh build
(cd build && ctest --output-on-failure -j"$(nproc)")
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DTESMORA_SANITIZE=ON \
    -DTESMORA_DESKTOP=OFF -DTESMORA_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$(nproc)")
bash scripts/fuzz.sh 12
