#!/usr/bin/env bash
# Installs what is missing, builds, and starts Quorvel. On a machine without a display it runs the
# program under Xvfb instead, saves a picture of its main window to build/screenshot.png, and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/display.sh
bash scripts/deps.sh $(cat scripts/packages.txt)
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/release/bin/quorvel
fi
echo "No display here: running Quorvel under Xvfb for a screenshot."
home=$(mktemp -d)
QUORVEL_SCREENSHOT="$PWD/build/screenshot.png" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    on_display build/release/bin/quorvel
rm -rf "$home"
echo "The main window as it starts: build/screenshot.png"
