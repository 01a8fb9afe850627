#!/usr/bin/env bash
# Cross-builds the engine, tesmora-cli and the engine tests for 64-bit Windows
# with MinGW-w64 and runs them under wine. Needs: bash scripts/setup.sh windows
# usage: scripts/windows-check.sh [DIR]   (default build-windows)
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
dir=$(mkdir -p "${1:-build-windows}" && cd "${1:-build-windows}" && pwd)
toolchain=$src/cmake/mingw-w64.cmake
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -x "$wine" ] || { echo "windows-check: wine64 not found (bash scripts/setup.sh windows)" >&2; exit 1; }
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
# Headless and unattended (CI: no display, no input): a prefix of our own, no
# Mono or Gecko install dialog, no debug chatter.
export WINEPREFIX=$dir/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
exec </dev/null
# This prefix's wine server goes when we do.
trap '"$wineserver" -k 2>/dev/null || true' EXIT
jobs=$(nproc)
step() { echo "== $* ($(date +%T))"; }

# GoogleTest from Debian's source package, with the same compiler.
if [ ! -f "$dir/gtest-prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
    step "GoogleTest"
    cmake -S /usr/src/googletest -B "$dir/gtest" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$dir/gtest-prefix" >/dev/null
    cmake --build "$dir/gtest" -j"$jobs" >/dev/null
    cmake --install "$dir/gtest" >/dev/null
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    step "wine prefix"
    "$wine" wineboot -i >/dev/null 2>&1 || true
    "$wineserver" -w
fi

step "cross-build"
cmake -S "$src" -B "$dir/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DTESMORA_DESKTOP=OFF -DTESMORA_BENCH=OFF -DGTest_DIR="$dir/gtest-prefix/lib/cmake/GTest" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" >/dev/null
cmake --build "$dir/build" -j"$jobs" 2>&1 | grep -v ':err:ole:' | grep -E 'error|warning' || true
cmake --build "$dir/build" -j"$jobs" >/dev/null 2>&1

failed=0
step "tesmora-cli.exe"
stats=$("$wine" "$dir/build/src/cli/tesmora-cli.exe" stats res/sample/members.csv | tr -d '\r')
case $stats in
"records: 300"*) echo "$stats" | head -1 ;;
*) echo "FAIL: stats printed: $stats" >&2; failed=1 ;;
esac
for t in ops fields engine; do
    step "${t}_tests.exe"
    if ! "$wine" "$dir/build/tests/${t}_tests.exe" >"$dir/${t}_tests.log" 2>&1; then
        failed=1
        sed -n '/tests, listed below/,$p' "$dir/${t}_tests.log" |
            grep -E '^\[  FAILED  \] [A-Za-z]' | cut -c1-100 >&2 || true
    fi
    grep -E '^\[  (PASSED|FAILED|SKIPPED) +\] [0-9]+ tests?[.,]' "$dir/${t}_tests.log" || true
done
step "done"
exit "$failed"
