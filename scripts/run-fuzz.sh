#!/usr/bin/env bash
# Builds the libFuzzer target (preset "fuzz": clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for the given number of seconds.
# Every input of the seed corpus in fuzz/corpus runs first, so a fault found
# once and kept there is checked again on every run. New inputs go to
# build/fuzz/corpus, a failing input to build/fuzz/artifacts/; any finding
# makes the script fail.
#
#   scripts/run-fuzz.sh <seconds> [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: scripts/run-fuzz.sh <seconds> [jobs]}
jobs=${2:-1}

cmake --workflow --preset fuzz >/dev/null
mkdir -p build/fuzz/corpus build/fuzz/artifacts

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

fuzzer=build/fuzz/fuzz/rebounder_fuzz
options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
         -artifact_prefix=build/fuzz/artifacts/)
if [ "$jobs" -gt 1 ]; then
    # Parallel workers share the corpus; each logs to fuzz-<n>.log here.
    options+=(-fork="$jobs" -ignore_crashes=0)
fi
echo "Fuzzing for $seconds s with $jobs worker(s)"
"$fuzzer" "${options[@]}" build/fuzz/corpus fuzz/corpus
