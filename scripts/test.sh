#!/usr/bin/env bash
# Installs, builds and runs every test: the release build (engine, batch front
# end and desktop suites), an AddressSanitizer + UBSan build of the engine
# tests, a short run of each fuzz target, and the engine and batch front end
# cross-built for Windows and run under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh windows
export QT_QPA_PLATFORM=offscreen
bash scripts/build.sh build
(cd build && ctest --output-on-failure -j"$(nproc)")
bash scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DTESMORA_SANITIZE=ON \
    -DTESMORA_DESKTOP=OFF -DTESMORA_BENCH=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$(nproc)")
bash scripts/fuzz.sh 12
bash scripts/windows-check.sh
