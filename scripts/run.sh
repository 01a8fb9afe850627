#!/usr/bin/env bash
# Installs, builds and starts Tesmora on the bundled sample file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
sample=res/sample/members.csv
if [ -x build/src/app/tesmora ]; then
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "No display: the desktop program needs one (for example: xvfb-run bash scripts/run.sh)." >&2
        echo "The sample's statistics, from the batch front end:" >&2
        exec build/src/cli/tesmora-cli stats --extremes "$sample"
    fi
    exec build/src/app/tesmora "$sample"
fi
exec build/src/cli/tesmora-cli stats --extremes "$sample"
