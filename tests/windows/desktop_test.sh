#!/usr/bin/env bash
# The installed Windows program on a desktop, under Wine on Xvfb with openbox: silent install,
# the window, a due alarm's message and question answered by keys, its balloon, Escape to the
# tray, a second start bringing the window back, the exit question and the saved alarm file, a
# copy without its platform plugin saying so, then the silent uninstall, which keeps the user's alarm file. Screenshots go to
# BUILD/desktop-shots for a look.
#   tests/windows/desktop_test.sh BUILD_WINDOWS_FOLDER DISPLAY
set -uo pipefail
build=$(realpath "$1") display=$2
installer=$(ls "$build"/VELK-*-win64.exe | head -1)
shots=$build/desktop-shots
rm -rf "$shots" && mkdir -p "$shots"
failures=0
pids=()

ok() { echo "ok: $1"; }
bad() { echo "FAILED: $1"; failures=$((failures + 1)); }
check() { if eval "$2"; then ok "$1"; else bad "$1"; fi; }
shot() { import -display "$display" -window root "$shots/$1.png" 2>/dev/null; }
# Waits up to $2 seconds for a visible window whose title is $1; prints its id.
waitwindow() {
    local i
    for ((i = 0; i < $2 * 5; i++)); do
        xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep . && return 0
        sleep 0.2
    done
    return 1
}
# The process has ended within $2 seconds.
gone() {
    local i
    for ((i = 0; i < $2 * 5; i++)); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.2
    done
    return 1
}
cleanup() {
    [ -n "${rofolder:-}" ] && umount "$pf" 2>/dev/null
    wineserver --kill >/dev/null 2>&1
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT

# -noreset: a server that resets when its last client leaves (the probe below) refuses the
# window manager's connection for a moment.
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >/dev/null 2>&1 &
pids+=($!)

export WINEPREFIX=$build/wineprefix-desktop WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX"
start=$SECONDS
wineserver --persistent=60 </dev/null >/dev/null 2>&1 && wineboot --init </dev/null >/dev/null 2>&1
echo "wine prefix made in $((SECONDS - start)) s"

# Silent install into Program Files, with a Start menu entry and an uninstaller known to Windows.
start=$SECONDS
wine "$installer" /S >/dev/null 2>&1
echo "installed in $((SECONDS - start)) s"
pf="$WINEPREFIX/drive_c/Program Files/VELK"
check "installed into Program Files" '[ -f "$pf/velk.exe" ] && [ -f "$pf/platforms/qwindows.dll" ] && [ -f "$pf/styles/qwindowsvistastyle.dll" ]'
check "Start menu entry" '[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VELK/VELK.lnk" ]'
uninstallkey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELK'
check "uninstaller registered" 'wine reg query "$uninstallkey" /v UninstallString 2>/dev/null | grep -q "Uninstall.exe"'
echo "installed size: $(du -sk "$pf" | cut -f1) KiB"

# An alarm due once, at the first minute from now (days since 1899-12-30, local time; no missed
# runs to ask about, no second run while the test goes on): a message, then a question whose Yes
# shows a balloon.
now=$(awk -v t="$(date +%s)" -v z="$(date +%z)" 'BEGIN {
    o = (substr(z, 1, 1) == "-" ? -1 : 1) * (substr(z, 2, 2) * 3600 + substr(z, 4, 2) * 60)
    printf "%.10f", (t + o) / 86400 + 25569 }')
printf 'Desk\r\nN:N once\r\n%s\r\n-\r\n1\r\n4\r\n#msg Hello from the desk\r\n#ask Go on?\r\n#bln Answered yes\r\n#end\r\n\r\n' \
    "$now" >"$pf/Alarms.data"

exe='C:\Program Files\VELK\velk.exe'
start=$(date +%s.%N)
wine "$exe" >/dev/null 2>&1 &
velk=$!
main=$(waitwindow '^\[Orlimbo\]' 60)
check "the window appears with its caption" '[ -n "$main" ]'
[ -n "$main" ] && echo "window on screen after $(echo "$(date +%s.%N) - $start" | bc) s"
sleep 1
shot 1-window

# The alarm comes due at the next minute: its message box, Enter; the question, Enter for Yes.
box=$(waitwindow '^\[VELK\]$' 90)
check "#msg shows its box" '[ -n "$box" ]'
shot 2-msg
if [ -n "$box" ]; then
    xdotool windowactivate --sync "$box" key Return
    sleep 1
    ask=$(waitwindow '^\[VELK\]$' 10)
    check "#ask shows its question" '[ -n "$ask" ]'
    shot 3-ask
    [ -n "$ask" ] && xdotool windowactivate --sync "$ask" key Return
    sleep 2
    shot 4-balloon
fi

# Escape hides the window to the tray; a second start shows it again and ends at once.
if [ -n "$main" ]; then
    xdotool windowactivate --sync "$main" key Escape
    sleep 1
    check "Escape hides the window" '! xdotool search --onlyvisible --name "^\[Orlimbo\]" >/dev/null 2>&1'
    shot 5-hidden
    timeout 30 wine "$exe" >/dev/null 2>&1
    check "a second start ends" '[ $? -eq 0 ]'
    again=$(waitwindow '^\[Orlimbo\]' 10)
    check "a second start brings the window back" '[ -n "$again" ]'
    sleep 1
    shot 6-again
    # Hidden again, a click on the bell in the tray (Wine's tray window, without a panel) brings
    # the window back.
    xdotool windowactivate --sync "$again" key Escape
    sleep 1
    tray=$(xdotool search --name 'Wine System Tray' 2>/dev/null | head -1)
    if [ -n "$tray" ]; then
        eval "$(xdotool getwindowgeometry --shell "$tray")"
        xdotool mousemove --window "$tray" 12 $((HEIGHT / 2)) click 1
    fi
    again=$(waitwindow '^\[Orlimbo\]' 10)
    check "a click on the tray icon brings the window back" '[ -n "$again" ]'
    sleep 1
    shot 7-tray
    # Closing the window asks first; Enter says Yes, and the alarms are saved.
    xdotool windowactivate --sync "$again" key alt+F4
    question=$(waitwindow '^\[VELK\]$' 10)
    check "the exit question" '[ -n "$question" ]'
    shot 8-exit
    [ -n "$question" ] && xdotool windowactivate --sync "$question" key Return
fi
check "VELK has ended" 'gone $velk 20'
data=$(tr -d '\r' <"$pf/Alarms.data" 2>/dev/null)
check "the alarm file is beside the program and holds the alarm" '[ "$(sed -n 1,2p <<<"$data")" = "$(printf "Desk\nN:N once")" ]'
check "its run was recorded" '[ "$(sed -n 4p <<<"$data")" != "-" ]'

# A program folder the user cannot write to (Wine lets anyone write to Program Files, and root
# ignores file modes: a read-only mount): the alarm file goes to %APPDATA%\VELK, and what is
# typed into the window lands there.
appdata="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Roaming/VELK/Alarms.data"
# As installed: no alarm file beside the program (one there is used whatever the folder's mode);
# the one of before comes back afterwards.
mv "$pf/Alarms.data" "$pf.alarms"
if mount --bind "$pf" "$pf" 2>/dev/null && mount -o remount,ro,bind "$pf" 2>/dev/null; then
    rofolder=1
    help=$(wine "$exe" --help 2>&1 | tr -d '\r' | tail -1)
    check "read-only program folder: the alarm file in %APPDATA%\\VELK" \
        '[[ "$help" == "Alarm file: C:\\users\\"*"\\AppData\\Roaming\\VELK\\Alarms.data" ]]'
    wine "$exe" >/dev/null 2>&1 &
    velk=$!
    main=$(waitwindow '^\[Orlimbo\]' 60)
    check "read-only program folder: the window appears" '[ -n "$main" ]'
    if [ -n "$main" ]; then
        sleep 1
        # The name field has the focus in a new book.
        xdotool windowactivate --sync "$main" type --delay 50 'Typed here'
        sleep 0.5
        shot 9-typed
        xdotool windowactivate --sync "$main" key alt+F4
        question=$(waitwindow '^\[VELK\]$' 10)
        [ -n "$question" ] && xdotool windowactivate --sync "$question" key Return
    fi
    gone $velk 20
    check "read-only program folder: what was typed is in %APPDATA%\\VELK" \
        '[ "$(head -1 "$appdata" 2>/dev/null | tr -d "\r")" = "Typed here" ]'
    umount "$pf"
else
    echo "skipped: the read-only program folder (no read-only mount possible here)"
fi
mv "$pf.alarms" "$pf/Alarms.data"

# A copy whose platform plugin folder is gone says why it cannot start instead of ending
# silently: Qt's own box, titled with the program's name.
broken="$WINEPREFIX/drive_c/broken copy"
rm -rf "$broken" && cp -r "$pf" "$broken" && rm -rf "$broken/platforms" "$broken/Alarms.data"
wine 'C:\broken copy\velk.exe' >/dev/null 2>&1 &
velk=$!
box=$(waitwindow '^velk$' 30)
check "no platform plugin: a message box says so" '[ -n "$box" ]'
shot 10-noplugin
[ -n "$box" ] && xdotool windowactivate --sync "$box" key Return
check "no platform plugin: the program ends after the box" 'gone $velk 10'

# The silent uninstall leaves the user's alarm file.
wine "$pf/Uninstall.exe" /S '_?=C:\Program Files\VELK' >/dev/null 2>&1
for i in $(seq 100); do [ -f "$pf/velk.exe" ] || break; sleep 0.2; done
check "uninstalled" '[ ! -f "$pf/velk.exe" ] && [ ! -f "$pf/Qt6Core.dll" ]'
check "the alarm file is kept" '[ -f "$pf/Alarms.data" ]'
check "the uninstaller is no longer registered" '! wine reg query "$uninstallkey" >/dev/null 2>&1'

[ $failures -eq 0 ] && echo "desktop: all passed (screenshots in $shots)" || echo "desktop: $failures failed"
[ $failures -eq 0 ]
