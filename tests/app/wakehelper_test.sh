#!/usr/bin/env bash
# velk-wake and velk --wake for a user without privileges, with and without the helper's file
# capability. Needs root (setcap, setpriv); skipped otherwise. Usage: wakehelper_test.sh DIR
# (the folder of the built velk and velk-wake).
set -uo pipefail
[ "$(id -u)" -eq 0 ] && command -v setcap >/dev/null && command -v setpriv >/dev/null || exit 77
work=$(mktemp -d) helper= window=
trap 'kill $helper $window 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
chmod 755 "$work" && cp "$1/velk" "$1/velk-wake" "$work/" && mkdir "$work/home" && chown nobody "$work/home"
mkdir -m 700 "$work/run" && chown nobody "$work/run"
export XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
asnobody() { HOME=$work/home setpriv --reuid nobody --regid nogroup --clear-groups --inh-caps=-all "$@"; }

asnobody "$work/velk-wake" </dev/null 2>"$work/err" && fail "velk-wake ran without its capability"
grep -q "^velk-wake: no wake timer" "$work/err" || fail "no reason: $(cat "$work/err")"
asnobody "$work/velk" --wake on 2>"$work/err" && fail "--wake on without any way to wake"
grep -q "^velk: cannot wake this computer for alarms: .*lacks the capability" "$work/err" || fail "$(cat "$work/err")"

setcap cap_wake_alarm+ep "$work/velk-wake" || exit 77
asnobody "$work/velk" --wake on | grep -q "by helper $work/velk-wake" || fail "--wake on with the helper"
# The window hands its alarm within a day to the helper.
if [ -f "$1/velkgui.so" ]; then
    cp "$1/velkgui.so" "$work/"
    asnobody "$work/velk" --add Tea "once $(date -d '+30 min' +%H:%M)" >/dev/null
    HOME=$work/home setpriv --reuid nobody --regid nogroup --clear-groups "$work/velk" tray &
    window=$!
    for _ in $(seq 50); do held=$(pgrep -P "$window" velk-wake) && break; sleep 0.2; done
    grep -qs "^clockid: 8$" /proc/"$held"/fdinfo/3 || fail "the window armed no timer through the helper"
fi
mkfifo -m 666 "$work/in"
# Not through the function: $! must be the helper itself.
setpriv --reuid nobody --regid nogroup --clear-groups "$work/velk-wake" <"$work/in" 2>"$work/err" &
helper=$!
exec 3>"$work/in"
echo $(( ($(date +%s) + 120) * 1000 )) >&3
sleep 0.5
timer=$(grep -l "^clockid: 8$" /proc/$helper/fdinfo/*) || fail "no alarm timer in velk-wake"
grep -Eq "^it_value: \(1(1[0-9]|20), [0-9]+\)$" "$timer" || fail "not armed 2 minutes ahead: $(cat "$timer")"
echo "rm -rf /" >&3
wait "$helper"
[ $? -eq 2 ] || fail "velk-wake took what is no moment"
helper=
grep -qx "velk-wake: refused: not a moment within a day: 'rm -rf /'" "$work/err" || fail "$(cat "$work/err")"
