#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to cross-build
# the Windows DLLs (MinGW-w64) and run their tests under Wine. Does nothing
# when everything is already there.
set -euo pipefail
cd "$(dirname "$0")"

bash install-deps.sh g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64 wine "$@"
