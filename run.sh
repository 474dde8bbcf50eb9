#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts velk with the given arguments.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
velk_install_deps
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVELK_BUILD_TESTS=OFF -DVELK_BUILD_BENCH=OFF >/dev/null
cmake --build build-release -j"$(nproc)" --target velk
exec ./build-release/app/velk "$@"
