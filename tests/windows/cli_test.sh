#!/usr/bin/env bash
# velk.exe is a GUI program: its command line must still print into the console of cmd.exe and
# .bat files, to redirected files byte for byte as the Linux build prints, with the same exit
# codes, and --autostart must write and remove the Run value. Runs the commands through a .bat
# file under Wine and compares with the Linux build.
#   tests/windows/cli_test.sh WINDOWS_VELK_FOLDER LINUX_VELK
# Needs WINEPREFIX (a ready prefix) in the environment.
set -uo pipefail
win=$(realpath "$1") linux=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

check() { # what expected actual
    if [ "$2" == "$3" ]; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        diff <(printf '%s' "$2") <(printf '%s' "$3") | head -20
        failures=$((failures + 1))
    fi
}

# A GUI program: no console window opens at a double click, from the Start menu or at login.
check "velk.exe is a Windows GUI program" "(Windows GUI)" \
    "$(x86_64-w64-mingw32-objdump -p "$win/velk.exe" | grep -o '^Subsystem.*' | grep -o '(.*)')"

# An alarm file written on Linux: a name outside ASCII, a broken time, a past one. Their rows do
# not depend on the current minute.
dir="$work/alarm folder"
mkdir -p "$dir"
printf 'Réveil\r\n2009-1-1\r\n46362\r\n-\r\n1\r\n0\r\n\r\nBroken\r\nx y\r\n46361.5\r\n-\r\n0\r\n0\r\n\r\n' \
    >"$dir/Alarms.data"
cp "$dir/Alarms.data" "$work/original.data"
wdir=$(winepath -w "$dir")

# One command a line: its output, then its exit code as cmd.exe sees it.
commands=(
    '--version'
    '--next "mon 08:00" --from "2026-12-07 10:00" --count 3'
    '--next "N-11-[15..21] thu morning" --from "2026-01-01 00:00" --count 2'
    '--next "x y"'
    '--next "mon 08:00" --count x'
    '--list "'"$wdir"'\Alarms.data"'
    '--list "'"$wdir"'\missing.data"'
    '--frobnicate'
)
{
    echo '@echo off'
    for c in "${commands[@]}"; do
        printf '"%s" %s\r\necho rc=%%ERRORLEVEL%%\r\n' "$(winepath -w "$win/velk.exe")" "$c"
    done
    # Redirected: to a file (stdout and stderr apart), and to NUL.
    printf '"%s" --help > "%s\\help.txt" 2> "%s\\help.err"\r\n' "$(winepath -w "$win/velk.exe")" "$wdir" "$wdir"
    printf '"%s" --next "x y" > "%s\\bad.out" 2> "%s\\bad.err"\r\necho rc=%%ERRORLEVEL%%\r\n' \
        "$(winepath -w "$win/velk.exe")" "$wdir" "$wdir"
    printf '"%s" --version > NUL\r\necho rc=%%ERRORLEVEL%%\r\n' "$(winepath -w "$win/velk.exe")"
} | sed 's/$/\r/; s/\r\r$/\r/' >"$work/cli.bat"

expected=""
for c in "${commands[@]}"; do
    c=${c//"$wdir"\\/"$dir"/}
    expected+=$(eval "\"$linux\" $c" 2>&1; echo "rc=$?")$'\n'
done
expected+="rc=1"$'\n'"rc=0"$'\n'
actual=$(cd "$work" && wine cmd /c "$(winepath -w "$work/cli.bat")" 2>&1 | tr -d '\r')$'\n'
# Usage errors end with the help text, which names each system's own alarm file.
expected=$(sed 's/^Alarm file: .*/Alarm file: (path)/' <<<"$expected")
actual=$(sed 's/^Alarm file: .*/Alarm file: (path)/' <<<"$actual")
check "commands through cmd /c and a .bat file" "$expected" "$actual"

# --help names the alarm file, which differs between the systems; everything before it does not.
check "--help redirected to a file" "$("$linux" --help | sed '$d')" "$(sed '$d' "$dir/help.txt")"
check "--help: the alarm file beside the program" "Alarm file: $(winepath -w "$win")\\Alarms.data" \
    "$(tail -1 "$dir/help.txt")"
check "--help: nothing on stderr" "" "$(cat "$dir/help.err")"
check "redirected stdout and stderr stay apart" "$("$linux" --next "x y" 2>&1 >/dev/null)" "$(cat "$dir/bad.err")"
check "redirected output keeps its line ends" "$("$linux" --help | sed '$d' | md5sum)" \
    "$(sed '$d' "$dir/help.txt" | md5sum)"
check "--list leaves the file byte for byte" "$(md5sum <"$work/original.data")" "$(md5sum <"$dir/Alarms.data")"

# A folder named in letters outside any one local code page, given on the command line.
intl="$work/dossier é папка"
mkdir -p "$intl" && cp "$work/original.data" "$intl/Alarms.data"
check "--list of a file in a folder named outside the code page" "$("$linux" --list "$intl/Alarms.data" 2>&1)" \
    "$(wine "$win/velk.exe" --list "$(winepath -w "$intl")\Alarms.data" 2>&1 | tr -d '\r')"

# --autostart writes the Run value with the program's path and removes it again.
runkey='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
wine "$win/velk.exe" --autostart on >/dev/null 2>&1
check "--autostart on writes the Run value" "\"$(winepath -w "$win/velk.exe")\" tray" \
    "$(wine reg query "$runkey" /v VELK 2>/dev/null | tr -d '\r' | sed -n 's/^ *VELK *REG_SZ *//p')"
wine "$win/velk.exe" --autostart off >/dev/null 2>&1
check "--autostart off removes it" "" \
    "$(wine reg query "$runkey" /v VELK 2>/dev/null | tr -d '\r' | sed -n 's/^ *VELK *REG_SZ *//p')"

[ $failures -eq 0 ] && echo "cli: all passed" || echo "cli: $failures failed"
[ $failures -eq 0 ]
