#!/usr/bin/env bash
# Installs, with apt, whatever the build and the tests need and the machine lacks.
# Sourced by run.sh and test.sh; Debian 12 and Ubuntu 22.04 or later.
velk_packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    googletest libgtest-dev libbenchmark-dev
    libpulse-dev libxcb-xfixes0-dev fonts-dejavu-core locales
    # The desktop's event sounds for a plain #beep, the theme they come from, and the X
    # connection on which the desktop names the user's theme.
    libcanberra-dev libcanberra-pulse sound-theme-freedesktop libxcb1-dev
    # The desktop session test: a virtual display, a session bus, window manager, tray and
    # notification daemon, and the tools that drive and inspect them.
    xvfb dbus-x11 openbox trayer dunst xdotool x11-utils imagemagick
    # ... and a sound server whose output it records, and the opener of documents and addresses.
    pulseaudio pulseaudio-utils xdg-utils
    # ... and the accessibility bus with its Python client, to read what a screen reader reads.
    at-spi2-core python3-pyatspi
)
# A locale with "," as decimal separator, for the tests of hand-edited alarm files.
velk_test_locale=de_DE.UTF-8

velk_install_deps() {
    local missing=()
    for p in "${velk_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        $sudo apt-get update -qq || return 1
        $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
    fi
    velk_make_locale "$sudo"
}

# Compiles the test locale when the system lacks it; tests that need it skip without it.
velk_make_locale() {
    local name=${velk_test_locale%.UTF-8}
    locale -a 2>/dev/null | grep -qix "${name}.utf8" && return 0
    echo "Generating the locale $velk_test_locale"
    $1 localedef -i "$name" -f UTF-8 "$velk_test_locale" || echo "Could not generate $velk_test_locale"
}
