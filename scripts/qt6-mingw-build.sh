#!/usr/bin/env bash
# Builds Qt 6 for Windows (x86_64-w64-mingw32) on Debian from Debian's own qt6-base source:
# Core, Gui, Widgets, Network and Test as DLLs, the windows, offscreen and minimal platform
# plugins and the windowsvista style. The host tools (moc, rcc, uic) are Debian's, so the
# source version is the one of the installed qt6-base-dev.
# Usage: qt6-mingw-build.sh PREFIX   About 35 minutes on 2 cores; apt through sudo unless root.
set -euo pipefail

prefix=$(realpath -m "${1:?usage: build.sh PREFIX}")
export DEBIAN_FRONTEND=noninteractive
asroot() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Source packages come from the same archive as the binary ones.
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    sed -n '/^Types: deb$/,/^$/p' /etc/apt/sources.list.d/debian.sources | sed 's/^Types: deb$/Types: deb-src/' \
        | asroot tee /etc/apt/sources.list.d/debian-src.sources >/dev/null
fi
asroot apt-get update -qq
asroot apt-get install -y -qq g++-mingw-w64-x86-64-posix cmake ninja-build qt6-base-dev qt6-base-dev-tools \
    dpkg-dev xz-utils > /dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
apt-get source -qq --download-only "qt6-base=$version"
tar xf qt6-base_*.orig.tar.xz
src=$(echo "$work"/qtbase-everywhere-src-*)

# Debian's source leaves out the Wacom tablet headers (wintab), and Qt 6.4 does not build the
# Windows plugins without OpenGL as it stands: build them without tablet support, and guard the
# one software-OpenGL check.
for plugin in windows direct2d; do
    sed -i 's/CONDITION QT_FEATURE_tabletevent/CONDITION OFF/' "$src/src/plugins/platforms/$plugin/CMakeLists.txt"
done
sed -i 's|QT_CONFIG(tabletevent)|0 /* built without wintab */|' \
    "$src"/src/plugins/platforms/windows/{qwindowscontext.cpp,qwindowspointerhandler.cpp,qwindowspointerhandler.h}
sed -i '/^static inline bool isSoftwareGl/,/^}/ s/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
    "$src/src/plugins/platforms/windows/qwindowswindow.cpp"

cat > "$work/mingw.cmake" <<'TOOLCHAIN'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN

off=(sql opengl dbus printsupport concurrent xml openssl schannel sspi vulkan icu)
bundled=(zlib pcre2 png jpeg freetype harfbuzz doubleconversion)
flags=()
for f in "${off[@]}"; do flags+=("-DFEATURE_$f=OFF"); done
for f in "${bundled[@]}"; do flags+=("-DFEATURE_system_$f=OFF"); done

cmake -G Ninja -S "$src" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$work/mingw.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF "${flags[@]}" > "$work/configure.log"
cmake --build "$work/build" --parallel "$(nproc)"
cmake --install "$work/build" > /dev/null
find "$prefix" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
echo "Qt for mingw-w64 installed in $prefix"
