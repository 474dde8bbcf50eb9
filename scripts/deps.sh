#!/usr/bin/env bash
# Installs, with apt, whatever the build and the tests need and the machine lacks.
# Sourced by run.sh and test.sh; Debian 12 and Ubuntu 22.04 or later.
velk_packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    googletest libgtest-dev libbenchmark-dev
    libpulse-dev fonts-dejavu-core
)

velk_install_deps() {
    local missing=()
    for p in "${velk_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
