#!/usr/bin/env bash
# Installs what is missing, builds in Release and starts velk with the given arguments.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
velk_install_deps build run
cmake --preset release >/dev/null
cmake --build build-release -j"$(nproc)" --target velk
exec ./build-release/app/velk "$@"
