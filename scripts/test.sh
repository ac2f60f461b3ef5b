#!/usr/bin/env bash
# Installs what is missing, checks the formatting, and builds and runs every test: the engine's
# thread tests under ThreadSanitizer, everything under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the 32-bit Windows build (cross-built, its tests and a smoke test under Wine), then everything
# in the normal build, whose CTest summary is the last line. Window tests run on a display of their
# own under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh $(cat scripts/packages.txt)
jobs=$(nproc)

echo "== format check"
# find rather than git: the test command also runs from a source tarball.
find . \( -name 'build*' -o -name '.?*' \) -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror

configure_and_build() {
    local dir=$1 target=$2
    shift 2
    cmake -S . -B "$dir" -DQUORVEL_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs" --target "$target"
}

echo "== ThreadSanitizer: engine thread tests"
configure_and_build build/tsan quorvel-thread-tests -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=thread
# High address-space randomisation breaks ThreadSanitizer's memory layout on some kernels.
TSAN_OPTIONS=halt_on_error=1 setarch "$(uname -m)" -R ctest --test-dir build/tsan -L thread --output-on-failure -j "$jobs"

# The GUI tests (label gui) get a display of their own from Xvfb, which must not reset when the
# last window program leaves: the next one, starting just then, would find no server.
on_display() {
    xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
}

echo "== AddressSanitizer and UndefinedBehaviorSanitizer: all tests"
configure_and_build build/asan all -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0 \
    on_display ctest --test-dir build/asan --output-on-failure -j "$jobs"

echo "== Windows build: cross-built, tested under Wine"
bash scripts/windows-test.sh

echo "== Normal build: all tests"
configure_and_build build all -DCMAKE_BUILD_TYPE=RelWithDebInfo
on_display ctest --test-dir build --output-on-failure -j "$jobs"
