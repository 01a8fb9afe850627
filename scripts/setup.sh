#!/usr/bin/env bash
# Installs what Tesmora needs to build, test and run (Debian 12, as root);
# with "windows", also the MinGW cross compiler and wine for windows-check.sh.
set -euo pipefail
packages=(
    build-essential cmake git
    qt6-base-dev qt6-base-dev-tools libqt6svg6-dev qt6-pdf-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-ipafont-gothic qt6-translations-l10n
    xvfb xauth imagemagick time mawk
    clang libfuzzer-14-dev
    dpkg-dev file desktop-file-utils groff-base man-db
)
if [ "${1:-}" = windows ]; then
    packages+=(g++-mingw-w64-x86-64-posix googletest wine64)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
