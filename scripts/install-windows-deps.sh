#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to cross-build
# the Windows DLLs (MinGW-w64, 64- and 32-bit) and run their tests under Wine.
# Does nothing when everything is already there.
# The 32-bit test program needs Wine's 32-bit half (wine32), which Debian
# ships for the i386 architecture only (install-deps.sh adds that architecture).
set -euo pipefail
cd "$(dirname "$0")"

bash install-deps.sh g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-i686 \
    wine64 wine wine32:i386 "$@"
bash enable-i386-programs.sh
