#!/usr/bin/env bash
# Installs what is missing, checks the formatting and the include directions, and builds and runs
# every test, each configuration in its own folder (CMakePresets.json): the engine's tests
# under ThreadSanitizer, everything under AddressSanitizer and UndefinedBehaviorSanitizer, then the
# 32-bit Windows build (cross-built, its tests, a smoke test and its installer under Wine), then the
# Debian package (built, installed, checked and removed again), then everything in the normal build,
# whose CTest summary is the last line. Window tests run on a display of their own.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/display.sh
bash scripts/deps.sh $(cat scripts/packages.txt)
jobs=$(nproc)

echo "== format check"
# find rather than git: the test command also runs from a source tarball.
find . \( -name 'build*' -o -name '.?*' \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror

echo "== include directions"
bash scripts/check-includes.sh

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$jobs"
}

echo "== ThreadSanitizer: engine tests"
build tsan
# High address-space randomisation breaks ThreadSanitizer's memory layout on some kernels.
setarch "$(uname -m)" -R ctest --preset tsan -j "$jobs"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer: all tests"
build asan
on_display ctest --preset asan -j "$jobs"

echo "== Windows build: cross-built, tested under Wine"
bash scripts/windows-test.sh
echo "== Windows installer: built, installed and uninstalled under Wine"
bash scripts/windows-package-test.sh

echo "== Debian package: built, installed, checked and removed"
bash scripts/package-test.sh

echo "== Normal build: all tests"
build dev
on_display ctest --preset dev -j "$jobs"
