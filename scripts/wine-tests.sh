#!/usr/bin/env bash
# Cross-builds the core, the command line's Windows parts and their tests with mingw-w64 and runs
# the tests under Wine, headless, in a Wine prefix of the build's own. Fails on any failing test.
#   scripts/wine-tests.sh [ctest arguments...]      e.g. -R alarms
# VELK_WINE_BUILD names the build folder (default build-wine-core).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

source scripts/deps.sh
velk_install_deps wine || exit 1

build=${VELK_WINE_BUILD:-build-wine-core}
cmake --preset wine -B "$build" >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)" || exit 1

# Wine without a display, without the .NET and HTML engines it would offer to install, silent
# about its own fixme lines, and in a prefix nobody else uses.
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX="$root/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Wine takes the user's regional settings from the Unix locale: the tests expect the plain one.
export LC_ALL=C.UTF-8
start=$SECONDS
# One Wine server for the whole run, and Wine's own services started once before the tests,
# keep each test program's start short; the server is ended at exit.
mkdir -p "$WINEPREFIX"
# A server already running for this prefix (another run of this script) is used as it is.
wineserver --persistent=60 2>/dev/null || true
trap 'wineserver --kill >/dev/null 2>&1' EXIT
# The first run makes the prefix; later runs only start the services.
wineboot --init >/dev/null 2>&1 || { echo "wineboot failed"; exit 1; }
echo "wine prefix ready in $((SECONDS - start)) s"

# A Windows program under Wine now and then dies at its start before running anything (seen once
# in 0.01 s with no output, passing when run again): such a test gets one more try.
cd "$build" && ctest --output-on-failure --timeout 300 --repeat until-pass:2 "$@"
