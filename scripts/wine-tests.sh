#!/usr/bin/env bash
# Cross-builds the core, the command line's Windows parts and their tests with mingw-w64 and runs
# the tests under Wine, headless, in a Wine prefix of the build's own. Fails on any failing test.
#   scripts/wine-tests.sh [ctest arguments...]      e.g. -R alarms
# VELK_WINE_BUILD names the build folder (default build-wine-core).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

wine_packages=(cmake make googletest g++-mingw-w64-x86-64-posix wine64 wine)

install_wine_deps() {
    local missing=() p sudo=""
    for p in "${wine_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

install_wine_deps || exit 1

build=${VELK_WINE_BUILD:-build-wine-core}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELK_BUILD_UI=OFF -DVELK_BUILD_BENCH=OFF \
    "${launcher[@]}" >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)" || exit 1

# Wine without a display, without the .NET and HTML engines it would offer to install, silent
# about its own fixme lines, and in a prefix nobody else uses.
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX="$root/$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
start=$SECONDS
# One Wine server for the whole run, and Wine's own services started once before the tests,
# keep each test program's start short; the server is ended at exit.
mkdir -p "$WINEPREFIX"
wineserver --persistent=60 || { echo "wineserver failed"; exit 1; }
trap 'wineserver --kill >/dev/null 2>&1' EXIT
# The first run makes the prefix; later runs only start the services.
wineboot --init >/dev/null 2>&1 || { echo "wineboot failed"; exit 1; }
echo "wine prefix ready in $((SECONDS - start)) s"

cd "$build" && ctest --output-on-failure --timeout 300 "$@"
