#!/usr/bin/env bash
# Starts the built program (it finds its `defaults` stand-in beside itself).
set -euo pipefail
app_dir=$1

if ! xdpyinfo >/dev/null 2>&1; then
    echo "Quillon needs an X display and none is usable here (DISPLAY='${DISPLAY:-}'); try: xvfb-run -a make run" >&2
    exit 1
fi

exec "$app_dir/Quillon"
