#!/usr/bin/env bash
# Builds VELK in Release from this tree and makes its Debian package,
#   build-package/velk_<version>_amd64.deb
# with the program below /usr, the window module, the menu entry, the icons, the manual page,
# the AppStream description and the copyright; dpkg-shlibdeps names the libraries it needs.
# Debian 12 or Ubuntu 22.04 or later, also one with nothing installed for building; installs
# what is missing with apt (sudo unless root).
# Install the result with: sudo apt install ./build-package/velk_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-package
source scripts/deps.sh
velk_install_deps build package

# The version is written once, in CMakeLists.txt; the changelog and the AppStream release must
# name it too, or the package would describe another release.
version=$(sed -n 's/^project(velk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
head -1 data/debian/changelog | grep -q "^velk ($version) " ||
    { echo "data/debian/changelog does not start with version $version" >&2; exit 1; }
grep -q "<release version=\"$version\" date=" data/org.orlimbo.velk.metainfo.xml ||
    { echo "data/org.orlimbo.velk.metainfo.xml has no release $version" >&2; exit 1; }

# Debian's hardening flags (without debug information: the package is stripped anyway).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
nodebug() { sed -E 's/(^| )-g( |$)/ /g'; }
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS | nodebug) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS
cmake --preset package >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/velk_*.deb
# cpack writes the files as root's, whoever builds the package.
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/velk_"$version"_*.deb)
echo "Made $deb ($(du -k "$deb" | cut -f1) kB; installed $(dpkg-deb -f "$deb" Installed-Size) kB)"
