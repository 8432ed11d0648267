#!/usr/bin/env bash
# Builds the benchmarks (preset "bench": Release, tests off) and runs them:
# every hot call beside its inline baseline, five repetitions interleaved at
# random, the median reported, then a summary of the ratios and targets.
# Extra arguments go to the benchmark program, e.g. --benchmark_filter=do_step.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake --preset bench >/dev/null
cmake --build --preset bench
exec build/bench/bench/hot_call_benchmarks \
    --benchmark_repetitions=5 \
    --benchmark_enable_random_interleaving=true \
    --benchmark_report_aggregates_only=true \
    "$@"
