#!/usr/bin/env bash
# Runs one libFuzzer target of a VELK_FUZZ build on a scratch copy of its seed corpus.
#   tests/fuzz/fuzz.sh BUILD TARGET [libFuzzer flags...]    e.g. -max_total_time=30 or -runs=10000000
# Crashes, sanitizer reports and property failures end the run with a non-zero status; an input
# slower than 1 s is a timeout, and units slower than 0.1 s are reported ("Slowest unit").
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1 target=$2
shift 2
case $target in
timespec) maxlen=1024 ;;   # one line of text; 1024 bytes hold well over 100 alternatives
alarmfile) maxlen=4096 ;; # up to a few hundred small alarms
script) maxlen=4096 ;;     # scripts with hundreds of lines and deep nesting
message) maxlen=4096 ;;    # requests and replies of the window's channel
*) echo "unknown target $target" >&2; exit 2 ;;
esac
bin=$(cd "$build" && pwd)/tests/fuzz/fuzz_$target
[ -x "$bin" ] || { echo "missing $bin (configure with -DVELK_FUZZ=ON)" >&2; exit 2; }
work=$(cd "$build" && pwd)/fuzzwork/$target
mkdir -p "$work/corpus" "$work/artifacts"
cp -n "$here/corpus/$target/"* "$work/corpus/" 2>/dev/null
# A small quarantine and no malloc fill keep the many small allocations of a parse cheap; the
# quarantine still catches a use right after a free.
export ASAN_OPTIONS=${ASAN_OPTIONS:-max_malloc_fill_size=0:quarantine_size_mb=16:malloc_context_size=10}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$work" && exec "$bin" -max_len=$maxlen -timeout=1 -report_slow_units=0.1 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$@" "$work/corpus"
