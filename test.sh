#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless; ends with ctest's summary.
set -uo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
velk_install_deps || exit 1

build=${VELK_TEST_BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${VELK_CMAKE_ARGS:-} >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)" || exit 1

export QT_QPA_PLATFORM=offscreen
cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 300
