#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to cross-build
# the Windows DLLs (MinGW-w64, 64- and 32-bit) and run their tests under Wine.
# Does nothing when everything is already there.
# The 32-bit test program needs Wine's 32-bit half (wine32), which Debian
# ships for the i386 architecture only: that architecture is added first.
set -euo pipefail
cd "$(dirname "$0")"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture for wine32"
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo dpkg --add-architecture i386  # install-deps.sh updates the package lists
fi
bash install-deps.sh g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-i686 \
    wine64 wine wine32:i386 "$@"
bash enable-i386-programs.sh
