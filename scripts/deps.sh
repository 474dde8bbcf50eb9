#!/usr/bin/env bash
# Installs, with apt, the groups of packages a script needs that the machine lacks:
#   source scripts/deps.sh; velk_install_deps build tests
# Sourced by run.sh, test.sh, .ci/run and the scripts; Debian 12 and Ubuntu 22.04 or later.
# One package more for a group is one word on its line.

# What CMake looks for in a build of the program (find_package, pkg_check_modules).
velk_deps_build=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libpulse-dev libcanberra-dev libxcb1-dev libxcb-xfixes0-dev
)
# The tests and the benchmarks, a font the widget tests measure text in, and the locales.
velk_deps_tests=(googletest libgtest-dev libbenchmark-dev fonts-dejavu-core locales)
# What the program uses at run time beyond the libraries: the desktop's event sounds for a plain
# #beep and the theme they come from, and the opener of documents and addresses.
velk_deps_run=(libcanberra-pulse sound-theme-freedesktop xdg-utils)
# The desktop session test: a virtual display, a session bus, window manager, tray and
# notification daemon, the tools that drive and inspect them, a sound server whose output it
# records, and the accessibility bus with its Python client, to read what a screen reader reads.
velk_deps_desktop=(
    xvfb dbus-x11 openbox trayer dunst xdotool x11-utils imagemagick
    pulseaudio pulseaudio-utils at-spi2-core python3-pyatspi
)
# Making the Debian package, and checking, installing and starting it.
velk_deps_package=(dpkg-dev file gzip xz-utils)
velk_deps_package_test=(lintian desktop-file-utils appstream xvfb xdotool x11-utils)
# The Windows cross build and its installer; the tests under Wine; the desktop under Wine.
velk_deps_windows=(cmake make g++-mingw-w64-x86-64-posix nsis qt6-base-dev qt6-base-dev-tools xz-utils)
velk_deps_wine=(cmake make googletest g++-mingw-w64-x86-64-posix wine64 wine)
velk_deps_wine_desktop=(fonts-dejavu-core xvfb openbox xdotool x11-utils imagemagick)
# CI's format check and fuzz targets.
velk_deps_format=(clang-format-14)
velk_deps_fuzz=(clang-14 libclang-rt-14-dev)

# A locale with "," as decimal separator, for the tests of hand-edited alarm files.
velk_test_locale=de_DE.UTF-8

asroot() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

velk_install_deps() { # group...
    local group p missing=() list
    for group in "$@"; do
        list="velk_deps_${group//-/_}[@]"
        [ -n "$(declare -p "velk_deps_${group//-/_}" 2>/dev/null)" ] ||
            { echo "deps.sh: no group $group" >&2; return 1; }
        for p in "${!list}"; do
            [[ " ${missing[*]} " == *" $p "* ]] && continue
            dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
        done
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        asroot apt-get update -qq || return 1
        asroot apt-get install -y -qq --no-install-recommends "${missing[@]}" || return 1
    fi
    if [[ " $* " == *" tests "* ]]; then velk_make_locale; fi
}

# Compiles the test locale when the system lacks it; tests that need it skip without it.
velk_make_locale() {
    local name=${velk_test_locale%.UTF-8}
    locale -a 2>/dev/null | grep -qix "${name}.utf8" && return 0
    echo "Generating the locale $velk_test_locale"
    asroot localedef -i "$name" -f UTF-8 "$velk_test_locale" || echo "Could not generate $velk_test_locale"
}
