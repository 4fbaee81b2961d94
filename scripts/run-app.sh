#!/usr/bin/env bash
# Starts the built program with its own `defaults` stand-in first on PATH.
set -euo pipefail
app_dir=$1

if ! xdpyinfo >/dev/null 2>&1; then
    echo "Quillon needs an X display and none is usable here (DISPLAY='${DISPLAY:-}'); try: xvfb-run -a make run" >&2
    exit 1
fi

PATH="$(cd "$app_dir" && pwd):$PATH" exec "$app_dir/Quillon"
