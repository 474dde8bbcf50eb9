#!/usr/bin/env bash
# The real program: commands started together with a window for the same alarm file, then
# against the running window, then after it ended. None is lost or applied twice, and the file
# holds what the window showed. Usage: commandprocess_test.sh PATH/TO/velk
set -uo pipefail
work=$(mktemp -d)
window=
cleanup() {
    [ -n "$window" ] && kill "$window" 2>/dev/null && wait "$window" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The alarm file lies beside the program, so a copy in a scratch folder has its own. The window's
# module, where the window is one, goes along.
cp "$1" "$work/velk"
module=$(dirname "$1")/velkgui.so
[ -f "$module" ] && cp "$module" "$work/"
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
velk=$work/velk

# Commands racing a window that starts: each is carried out by the one writer of the moment.
pids=()
for i in 0 1 2 3 4 5; do
    "$velk" --add "A$i" "12:00" >/dev/null 2>"$work/err$i" &
    pids+=($!)
    [ "$i" = 2 ] && { "$velk" tray >"$work/window.log" 2>&1 & window=$!; }
done
for i in "${!pids[@]}"; do
    wait "${pids[$i]}" || fail "racing --add A$i: $(cat "$work/err$i")"
done

# Against the running window.
for _ in $(seq 50); do [ -S "$work/run/velk/"*.sock ] && break; sleep 0.1; done
out=$("$velk" --add B "13:00") || fail "--add B with the window running"
[[ $out == "*  "*"13:00"*"  B" ]] || fail "--add B printed '$out'"
"$velk" --remove A0 >/dev/null || fail "--remove A0"
err=$("$velk" --remove A0 2>&1 >/dev/null) && fail "--remove A0 twice succeeded"
[ "$err" = "No Alarm is named 'A0'!" ] || fail "--remove A0 twice said '$err'"
agenda=$("$velk" --agenda 1) || fail "--agenda"
[ "$(grep -c . <<<"$agenda")" = 6 ] || fail "--agenda listed: $agenda"
# Its folder opened to others: a command still goes to the window, which does not save there.
chmod 777 "$work"
err=$("$velk" --add C "14:00" 2>&1 >/dev/null) && fail "--add C into an open folder succeeded"
[[ $err == *"'$work/Alarms.data'"* ]] || fail "--add C into an open folder said '$err'"
chmod 700 "$work"

# The window ends (saving); a command then changes the file itself.
kill "$window"
wait "$window"
window=
"$velk" --disable B >/dev/null || fail "--disable B after the window ended"
list=$("$velk" --list) || fail "--list"
names=$(awk '{print $NF}' <<<"$list" | sort | tr '\n' ' ')
[ "$names" = "A1 A2 A3 A4 A5 B C " ] || fail "the file holds: $list"
grep -q "^   .*  B$" <<<"$list" || fail "B is not inactive: $list"

# A name's control characters reach a terminal as escapes, a pipe as they are.
"$velk" --add $'Red\e[31m' "12:00" >/dev/null || fail "--add of a name with an escape"
"$velk" --list | grep -q $'  Red\e\\[31m$' || fail "--list into a pipe changed the name"
# script needs a standard input; CI may run with none open.
shown=$(script -qc "$velk --list" /dev/null </dev/null)
grep -q 'Red\\x1b\[31m' <<<"$shown" || fail "--list to a terminal: raw: $(printf %q "$shown")"
echo "ok: 6 commands raced a starting window, 4 went to it, 1 to the file after it ended"
