#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build the
# 32-bit x86 Linux libraries (GCC's -m32) and run their tests. Does nothing
# when everything is already there.
# rebounder-host links libzip and expat: their 32-bit builds are Debian's
# i386 packages, installed beside the 64-bit ones (multiarch; install-deps.sh
# adds the architecture).
set -euo pipefail
cd "$(dirname "$0")"

bash install-deps.sh gcc-multilib g++-multilib libzip-dev:i386 libexpat1-dev:i386 "$@"
bash enable-i386-programs.sh
