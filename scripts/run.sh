#!/usr/bin/env bash
# Starts the program from its program folder, creating the embedded database first if it is missing.
set -euo pipefail
bin="$(cd "${1:-build/bin}" && pwd)"
if [ ! -f "$bin/db/phones.gdb" ]; then
    mkdir -p "$bin/db"
    "$bin/korvane-mkdb" "$bin/db/phones.gdb"
    echo "Created the database $bin/db/phones.gdb"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: set DISPLAY (or run under xvfb-run -a make run) to start Korvane."
    exit 1
fi
cd "$bin"
exec ./korvane
