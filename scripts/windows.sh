#!/usr/bin/env bash
# Builds VELK for 64-bit Windows with mingw-w64 into build-windows/:
#   build-windows/VELK/                   velk.exe and everything it needs to run
#   build-windows/VELK-<version>-win64.exe  the installer
# Qt for Windows comes from ../shared/qt6-mingw/qt6-mingw-6.4.2.tar.xz (or VELK_QT_TARBALL) when
# that is there, and is otherwise built once from Debian's source into the user's cache (about
# 35 minutes on 2 cores).
#   scripts/windows.sh            the program and the installer
#   scripts/windows.sh --qt-path  only makes sure the Qt is there, and prints its folder
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh

qtversion=6.4.2
velk_install_deps windows >&2

# Debian's moc, rcc and uic generate the code, so they must be of the Windows Qt's version.
hostqt=$(dpkg-query -W -f='${Version}' qt6-base-dev)
case $hostqt in
"$qtversion"*) ;;
*) echo "qt6-base-dev is $hostqt; the Windows build needs $qtversion" >&2; exit 1 ;;
esac

cache=${VELK_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/velk}
qt=$cache/qt6-mingw-$qtversion
tarball=${VELK_QT_TARBALL:-$root/../shared/qt6-mingw/qt6-mingw-$qtversion.tar.xz}
if [ ! -f "$qt/.complete" ]; then
    mkdir -p "$cache"
    rm -rf "$qt" "$qt.part"
    if [ -f "$tarball" ]; then
        echo "Unpacking $tarball into $qt" >&2
        mkdir "$qt.part"
        tar -xJf "$tarball" -C "$qt.part" --strip-components=1
    else
        echo "No $tarball: building Qt $qtversion for Windows into $qt (about 35 minutes)" >&2
        scripts/qt6-mingw-build.sh "$qt.part" >&2
    fi
    touch "$qt.part/.complete"
    mv "$qt.part" "$qt"
fi
if [ "${1:-}" = --qt-path ]; then
    echo "$qt"
    exit 0
fi

build=$root/build-windows
start=$SECONDS
VELK_WINDOWS_QT=$qt cmake --preset windows >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -rf "$build/VELK"
cmake --install "$build" --prefix "$build/VELK" --strip >/dev/null
(cd "$build" && cpack -G NSIS >/dev/null)

installer=$(ls "$build"/VELK-*-win64.exe)
echo "Built in $((SECONDS - start)) s:"
echo "  $build/VELK ($(du -sk "$build/VELK" | cut -f1) KiB)"
echo "  $installer ($(du -k "$installer" | cut -f1) KiB)"
