#!/usr/bin/env bash
# Packages one .fmu per component holding both the Linux and the Windows
# library (binaries/linux64/ and binaries/win64/), the form people download:
# the default set in the output folder, the set for strict hosts (which
# look up every FMI 2.0 function) in its folder strict-host/, same file names.
#   tools/package-fmus.sh [output-dir]        (default: build/fmus)
# Builds the single-platform archives first, in the build folders of the
# presets "default" (Linux) and "windows" (MinGW-w64 cross build), configuring
# them if needed, then merges each pair: one modelDescription.xml (the same in
# both) and the binaries folders of both. LINUX_BUILD and WINDOWS_BUILD name
# other, already configured, build folders.
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-build/fmus}")
linux_build=$(realpath -m "${LINUX_BUILD:-build/default}")
windows_build=$(realpath -m "${WINDOWS_BUILD:-build/windows}")

for preset in default windows; do
    build=$linux_build
    [ $preset = windows ] && build=$windows_build
    if [ ! -f "$build/CMakeCache.txt" ]; then
        [ "$build" = "$PWD/build/$preset" ] || { echo "package-fmus.sh: $build is not configured" >&2; exit 1; }
        cmake --preset $preset >/dev/null
    fi
done
cmake --build "$linux_build" --target fmus
cmake --build "$windows_build" --target fmus

mkdir -p "$output/strict-host"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for component in pellidor corvane tressivo strict-host/pellidor strict-host/corvane strict-host/tressivo; do
    linux=$linux_build/fmu/$component.fmu
    windows=$windows_build/fmu/$component.fmu
    for archive in "$linux" "$windows"; do
        [ -f "$archive" ] || { echo "package-fmus.sh: $archive was not built" >&2; exit 1; }
    done
    stage=$work/$component
    mkdir -p "$stage/linux" "$stage/windows" "$stage/both"
    (cd "$stage/linux" && cmake -E tar xf "$linux")
    (cd "$stage/windows" && cmake -E tar xf "$windows")
    if ! cmp -s "$stage/linux/modelDescription.xml" "$stage/windows/modelDescription.xml"; then
        echo "package-fmus.sh: $component: the Linux and Windows archives differ in modelDescription.xml" >&2
        exit 1
    fi
    cp -R "$stage/linux/." "$stage/both/"
    cp -R "$stage/windows/binaries/." "$stage/both/binaries/"
    rm -f "$output/$component.fmu"
    # Same inputs, same bytes: fixed time stamps, a fixed order, and no extra
    # fields (they would carry access times and owners).
    (cd "$stage/both" && find . -exec touch -h -d "2000-01-01 00:00:00 UTC" {} + &&
        { echo modelDescription.xml; find binaries -type f | LC_ALL=C sort; } |
        TZ=UTC zip -X -D -q "$output/$component.fmu" -@)

    # The archive must hold the description and exactly one library per platform.
    contents=$(cd "$stage/both" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    libraries=$(grep -c '^binaries/' <<<"$contents")
    if [ "$libraries" -ne 2 ] || ! grep -q '^binaries/linux64/[^/]*\.so$' <<<"$contents" \
        || ! grep -q '^binaries/win64/[^/]*\.dll$' <<<"$contents"; then
        echo "package-fmus.sh: $component.fmu holds an unexpected set of files:" >&2
        echo "$contents" >&2
        exit 1
    fi
    echo "$output/$component.fmu:" $contents
done
