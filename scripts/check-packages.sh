#!/usr/bin/env bash
# Checks the packages of this commit, as CI does:
# 1. builds them twice, in build/package (preset "package") and afresh in
#    build/package-again, and requires byte-identical archives and SHA256SUMS;
# 2. checks SHA256SUMS against the files;
# 3. installs the Debian package on this machine with dpkg -i, builds and
#    tests the example host project against it (find_package with no hints),
#    removes it with dpkg -r and requires that nothing it installed is left.
# Needs root (or sudo) for dpkg, and refuses to touch a rebounder package it
# did not install itself.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

nice cmake --workflow --preset package
rm -rf build/package-again
cmake --preset package -B build/package-again >/dev/null
nice cmake --build build/package-again
(cd build/package-again && nice cpack >/dev/null)

packages=build/package/packages
names=$(cd "$packages" && ls SHA256SUMS ./*.tar.gz ./*.zip ./*.deb)
[ "$(wc -l <<<"$names")" -eq 4 ] || { echo "check-packages.sh: expected three packages and SHA256SUMS:" $names >&2; exit 1; }
for name in $names; do
    cmp "$packages/$name" "build/package-again/packages/$name" ||
        { echo "check-packages.sh: two builds of this commit differ in $name" >&2; exit 1; }
done
(cd "$packages" && sha256sum --check --strict SHA256SUMS)
echo "Packages reproducible: $(tr '\n' ' ' <<<"$names")"

if dpkg-query -W -f='${Status}' rebounder 2>/dev/null | grep -q "install ok installed"; then
    echo "check-packages.sh: a rebounder package is installed already; not touching it" >&2
    exit 1
fi
deb=$(realpath "$packages"/*.deb)
# The package's own paths that did not exist before: all of them must go.
work=$(mktemp -d)
installed=false
cleanup() {
    if $installed; then $sudo dpkg -r rebounder >/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -e 's|^\./|/|' -e 's|/$||' | grep -v '^/*$' | LC_ALL=C sort >"$work/paths"
while read -r path; do [ -e "$path" ] || echo "$path"; done <"$work/paths" >"$work/new-paths"

$sudo dpkg -i "$deb"
installed=true
dpkg-query -W -f='${Status} ${Version}\n' rebounder
while read -r path; do [ -e "$path" ] || { echo "check-packages.sh: $path not installed" >&2; exit 1; }; done <"$work/paths"

# A host project finds the package where Debian put it.
cmake -S examples/find-package -B "$work/example" -G Ninja -D CMAKE_BUILD_TYPE=Release
cmake --build "$work/example"
ctest --test-dir "$work/example" --output-on-failure

$sudo dpkg -r rebounder
installed=false
if dpkg-query -W -f='${Status}' rebounder 2>/dev/null | grep -q "install ok installed"; then
    echo "check-packages.sh: dpkg still lists rebounder as installed" >&2
    exit 1
fi
left=$(while read -r path; do [ ! -e "$path" ] || echo "$path"; done <"$work/new-paths")
if [ -n "$left" ]; then
    echo "check-packages.sh: left behind after dpkg -r:" >&2
    echo "$left" >&2
    exit 1
fi
echo "The Debian package installs and removes cleanly ($(wc -l <"$work/new-paths") paths)."
