#!/usr/bin/env bash
# The Debian package from end to end, on a Debian 12 machine without VELK installed: makes it
# (scripts/linux-package.sh), checks it with lintian (no error), desktop-file-validate and
# appstreamcli, installs it with apt, starts the installed velk (--version, the menu entry's
# command on Xvfb, the autostart entry) and removes it with --purge, checking that no file of the
# package is left. Root or sudo; a failure removes the package too.
# VELK_PACKAGE_DISPLAY: the X display to use (default: a free one Xvfb picks).
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
velk_install_deps package-test || exit 1
export DEBIAN_FRONTEND=noninteractive

if dpkg-query -W -f='${Status}' velk 2>/dev/null | grep -q "ok installed"; then
    echo "package: velk is installed on this machine already; remove it first" >&2
    exit 1
fi

failures=0 pids=() installed=0
work=$(mktemp -d "${TMPDIR:-/tmp}/velk-package.XXXXXX")
cleanup() {
    local p
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
    [ "$installed" -eq 1 ] && asroot apt-get remove --purge -y -qq velk >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
check() { # name command...
    local name=$1
    shift
    if "$@"; then echo "package: ok   $name"; else echo "package: FAIL $name"; failures=$((failures + 1)); fi
}
within() { # seconds command...: polls until the command succeeds
    local end=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.2
    done
}

scripts/linux-package.sh || exit 1
deb=$(ls build-package/velk_*.deb)
echo "package: $deb: $(du -k "$deb" | cut -f1) kB, installed $(dpkg-deb -f "$deb" Installed-Size) kB"
dpkg-deb -f "$deb" Package Version Section Priority Maintainer Depends

# Every tag is listed; only errors fail.
lintian_ok() { lintian --fail-on error --tag-display-limit 0 "$deb" 2>/dev/null; }
check "lintian: no error" lintian_ok
check "desktop-file-validate" desktop-file-validate data/velk.desktop
check "appstreamcli validate" appstreamcli validate --no-net data/org.orlimbo.velk.metainfo.xml

asroot apt-get install -y -qq "./$deb" >/dev/null || exit 1
installed=1
dpkg-query -L velk | sort >"$work/files"
version=$(sed -n 's/^project(velk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
check "velk --version" test "$(velk --version)" = "velk $version"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for f in /usr/bin/velk "/usr/lib/$multiarch/velk/velkgui.so" /usr/libexec/velk/velk-wake /usr/share/applications/velk.desktop \
    /usr/share/icons/hicolor/scalable/apps/velk.svg /usr/share/icons/hicolor/48x48/apps/velk.png \
    /usr/share/metainfo/org.orlimbo.velk.metainfo.xml /usr/share/man/man1/velk.1.gz \
    /usr/share/doc/velk/copyright; do
    check "installs $f" grep -qx "$f" "$work/files"
done
check "the wake helper has cap_wake_alarm" grep -q "cap_wake_alarm=ep" <(getcap /usr/libexec/velk/velk-wake)
check "the wake helper works for another user" \
    setpriv --reuid nobody --regid nogroup --clear-groups /usr/libexec/velk/velk-wake </dev/null

# A user of its own: a home, a runtime folder and a display.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run
unset XDG_DATA_HOME XDG_CONFIG_HOME
mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
if [ -n "${VELK_PACKAGE_DISPLAY:-}" ]; then
    Xvfb "$VELK_PACKAGE_DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=$VELK_PACKAGE_DISPLAY
else
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    within 10 test -s "$work/display"
    export DISPLAY=:$(cat "$work/display")
fi
within 10 xdpyinfo

# Run as root, who can write /usr/bin, the installed program still keeps its alarms in the
# user's folder.
alarms=$HOME/.local/share/velk/Alarms.data
velk --add Tea "once 17:00" "#msg The tea is ready" >/dev/null
check "alarm file in the user's folder" grep -q "^Tea.$" "$alarms"
check "velk --help names it" grep -qx "Alarm file: $alarms" <(velk --help)

# The menu entry's command, as a menu runs it (from the PATH), shows the window.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/velk.desktop)
$exec_line >"$work/velk.log" 2>&1 &
velkpid=$!
pids+=("$velkpid")
check "the menu entry opens the window" within 20 xdotool search --onlyvisible --name 'Orlimbo'
check "from the installed module" grep -q " /usr/lib/$multiarch/velk/velkgui.so$" "/proc/$velkpid/maps"
kill -TERM "$velkpid" && wait "$velkpid"
check "the window ends on SIGTERM" test $? -eq 0
check "the window kept the alarm" grep -q "^Tea.$" "$alarms"
check "no alarm file beside /usr/bin/velk" test ! -e /usr/bin/Alarms.data

velk --autostart on >/dev/null
check "autostart starts /usr/bin/velk tray" \
    grep -qx 'Exec=/usr/bin/velk tray' "$HOME/.config/autostart/velk.desktop"
check "the autostart entry is valid" desktop-file-validate "$HOME/.config/autostart/velk.desktop"
velk --autostart off >/dev/null

asroot apt-get remove --purge -y -qq velk >/dev/null || exit 1
installed=0
check "purged" test -z "$(dpkg-query -W -f='${Status}' velk 2>/dev/null | grep 'ok installed')"
# Every path of the package is gone, but for folders other packages share.
left() {
    local f bad=0
    while read -r f; do
        [ "$f" = /. ] || [ ! -e "$f" ] && continue
        if [ ! -d "$f" ] || ! dpkg-query -S "$f" >/dev/null 2>&1; then echo "left: $f"; bad=1; fi
    done <"$work/files"
    return $bad
}
check "no file of the package left" left
check "the user's alarm file stays" test -f "$alarms"

[ "$failures" -eq 0 ] || { cat "$work/velk.log"; echo "package: $failures checks failed"; exit 1; }
echo "package: every check passed"
