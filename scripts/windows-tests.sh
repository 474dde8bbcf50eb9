#!/usr/bin/env bash
# The Windows program under Wine: builds it (scripts/windows.sh), then runs, each in a Wine
# prefix of its own,
#   ui       the Qt widget tests, cross-built, on Qt's offscreen platform
#   cli      the command line through cmd /c and a .bat file, against the Linux build
#   desktop  the installer and the installed program on Xvfb with openbox (tests/windows/desktop_test.sh)
#   scripts/windows-tests.sh [ui] [cli] [desktop]      (default: all three)
# VELK_WIN_DISPLAY is the X display for the desktop test (default :81).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
velk_install_deps wine wine-desktop || exit 1
parts=("$@")
[ ${#parts[@]} -eq 0 ] && parts=(ui cli desktop)
failed=()

timed() { # name command...
    local name=$1 start=$SECONDS
    shift
    echo "=== windows: $name"
    "$@" || failed+=("$name")
    echo "=== windows: $name took $((SECONDS - start)) s"
}

timed build scripts/windows.sh || exit 1
[ ${#failed[@]} -eq 0 ] || exit 1
qt=$(scripts/windows.sh --qt-path)

# Wine hands no QT_* variable of the Unix environment to Windows programs; they are set inside.
# Without a display, and without the .NET and HTML engines Wine would offer to install.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# Called in a subshell: makes the prefix once, and keeps one Wine server for the subshell's run
# (detached from our output, so that nothing waits for it), ended when the subshell ends.
winepfx() { # folder
    export WINEPREFIX=$1
    mkdir -p "$WINEPREFIX"
    trap 'wineserver --kill >/dev/null 2>&1' EXIT
    wineserver --persistent=60 </dev/null >/dev/null 2>&1 && wineboot --init </dev/null >/dev/null 2>&1
}

ui_tests() {
    local build=$root/build-windows-tests t ok=0
    VELK_WINDOWS_QT=$qt cmake --preset windows-tests >/dev/null || return 1
    local tests=(velkform_test alarmlist_test qtdesktop_test aids_test)
    cmake --build "$build" -j"$(nproc)" --target "${tests[@]}" || return 1
    (
        unset DISPLAY WAYLAND_DISPLAY
        winepfx "$build/wineprefix" || exit 1
        # The Qt DLLs and the compiler's runtime from where they are; the tests draw text in
        # DejaVu Sans, the font they have on Linux.
        WINEPATH="$(winepath -w "$qt/bin");$(winepath -w "$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")")"
        WINEPATH+=";$(winepath -w "$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")")")"
        export WINEPATH
        mkdir -p "$build/fonts"
        ln -sf /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf "$build/fonts/"
        cd "$build/tests/ui" || exit 1
        for t in "${tests[@]}"; do
            rm -f "$t.txt"
            # Output goes to a file: Wine passes nothing a test prints to a redirected stdout.
            wine cmd /c "set QT_QPA_FONTDIR=$(winepath -w "$build/fonts")&& $t.exe -platform offscreen -o $t.txt,txt" \
                >/dev/null 2>&1
            local status=$?
            grep -E '^(FAIL|XPASS|SKIP)' -A3 "$t.txt" 2>/dev/null
            echo "$t: $(grep '^Totals' "$t.txt" 2>/dev/null || echo "no results, exit status $status")"
            [ $status -eq 0 ] || ok=1
        done
        exit $ok
    )
}

cli_test() {
    # The Linux build is the reference for the text and the exit codes.
    local linux=${VELK_TEST_BUILD:-build}
    [ -f "$linux/CMakeCache.txt" ] || cmake --preset tests -B "$linux" >/dev/null || return 1
    cmake --build "$linux" -j"$(nproc)" --target velk >/dev/null || return 1
    (
        unset DISPLAY WAYLAND_DISPLAY
        winepfx "$root/build-windows/wineprefix-cli" || exit 1
        tests/windows/cli_test.sh build-windows/VELK "$linux/app/velk"
    )
}

desktop_test() {
    tests/windows/desktop_test.sh "$root/build-windows" "${VELK_WIN_DISPLAY:-:81}"
}

for p in "${parts[@]}"; do
    case $p in
    ui) timed "ui tests under Wine" ui_tests ;;
    cli) timed "command line under Wine" cli_test ;;
    desktop) timed "desktop under Wine" desktop_test ;;
    *) echo "unknown part $p"; exit 2 ;;
    esac
done
[ ${#failed[@]} -eq 0 ] || { echo "windows: failed: ${failed[*]}"; exit 1; }
echo "windows: all passed"
