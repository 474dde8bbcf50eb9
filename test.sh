#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless; ends with ctest's summary.
#   ./test.sh [ctest arguments...]      e.g. -L unit, -R alarmfile
# VELK_TEST_PRESET names the build (default tests, see CMakePresets.json), VELK_TEST_BUILD its
# folder, VELK_CMAKE_ARGS more arguments for cmake.
set -uo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
velk_install_deps build tests run desktop || exit 1

folder=()
[ -n "${VELK_TEST_BUILD:-}" ] && folder=(-B "$VELK_TEST_BUILD")
build=${VELK_TEST_BUILD:-build}
cmake --preset "${VELK_TEST_PRESET:-tests}" "${folder[@]}" ${VELK_CMAKE_ARGS:-} >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)" || exit 1

export QT_QPA_PLATFORM=offscreen
cd "$build" && ctest --output-on-failure -j"$(nproc)" --timeout 300 "$@"
