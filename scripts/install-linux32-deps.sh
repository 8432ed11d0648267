#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build the
# 32-bit x86 Linux libraries (GCC's -m32) and run their tests. Does nothing
# when everything is already there.
set -euo pipefail
cd "$(dirname "$0")"

bash install-deps.sh gcc-multilib g++-multilib "$@"
bash enable-i386-programs.sh
