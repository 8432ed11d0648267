#!/usr/bin/env bash
# Runs the whole test program under valgrind's memcheck, on a plain build of
# its own (build/hardening-valgrind): no invalid read or write, no use of
# uninitialised values, no leak. Any error makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/hardening-valgrind
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target component_tests >/dev/null

# The test program spawns tools (nm, readelf, unzip, the host program) for
# some checks; valgrind follows only the test program itself.
valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect \
    --errors-for-leak-kinds=definite,indirect --track-origins=yes --trace-children=no \
    "$build/tests/component_tests" --gtest_brief=1 "$@"
