#!/usr/bin/env bash
# Installs what is missing, builds, and runs the scan on FOLDER (the current folder by default).
set -euo pipefail
target=$(realpath "${1:-.}")
cd "$(dirname "$0")/.."
bash scripts/deps.sh $(cat scripts/packages.txt)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target quorvel-scan
exec build/bin/quorvel-scan --progress "$target"
