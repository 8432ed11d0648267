#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine lacks to build and
# test the components. Does nothing when everything is already there.
# Extra package names given as arguments are installed the same way, those of
# another architecture too (name:i386).
set -euo pipefail

packages=(cmake ninja-build g++ binutils libgtest-dev libbenchmark-dev libxml2-utils zip unzip pkg-config libzip-dev libexpat1-dev "$@")
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi
echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
# A package of another architecture (name:i386) needs that architecture
# known to dpkg before the package lists are updated.
for package in "${missing[@]}"; do
    [[ $package == *:* ]] || continue
    architecture=${package##*:}
    if [ "$architecture" != "$(dpkg --print-architecture)" ] &&
        ! dpkg --print-foreign-architectures | grep -qx "$architecture"; then
        echo "Adding the $architecture architecture"
        $sudo dpkg --add-architecture "$architecture"
    fi
done
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
