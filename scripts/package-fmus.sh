#!/usr/bin/env bash
# Packages one .fmu per component holding the libraries of the four x86
# platforms (binaries/linux64/, binaries/linux32/, binaries/win64/ and
# binaries/win32/; for the FMI 3.0 component varnelle binaries/x86_64-linux/,
# binaries/x86-linux/, binaries/x86_64-windows/ and binaries/x86-windows/),
# the form people download: the default set in the output folder, the set for
# strict hosts (which look up every FMI 2.0 function) in its folder
# strict-host/, same file names.
#   scripts/package-fmus.sh [output-dir]        (default: build/fmus)
# Builds the single-platform archives first, in the build folders of the
# presets "default" (linux64), "linux32", "windows" (win64) and "win32",
# configuring them if needed, then merges them: one modelDescription.xml (the
# same in all) and the binaries folders of all. LINUX_BUILD, LINUX32_BUILD,
# WINDOWS_BUILD and WIN32_BUILD name other, already configured, build folders.
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-build/fmus}")

# Preset, build folder, platform folder, library suffix and the object file
# format its library must have, as objdump names it.
presets=(default linux32 windows win32)
builds=("${LINUX_BUILD:-build/default}" "${LINUX32_BUILD:-build/linux32}"
        "${WINDOWS_BUILD:-build/windows}" "${WIN32_BUILD:-build/win32}")
fmi2_platforms=(linux64 linux32 win64 win32)
fmi3_platforms=(x86_64-linux x86-linux x86_64-windows x86-windows)
suffixes=(.so .so .dll .dll)
formats=(elf64-x86-64 elf32-i386 pei-x86-64 pei-i386)

for i in "${!presets[@]}"; do
    build=$(realpath -m "${builds[$i]}")
    builds[$i]=$build
    if [ ! -f "$build/CMakeCache.txt" ]; then
        [ "$build" = "$PWD/build/${presets[$i]}" ] || { echo "package-fmus.sh: $build is not configured" >&2; exit 1; }
        cmake --preset "${presets[$i]}" >/dev/null
    fi
    cmake --build "$build" --target fmus
done

mkdir -p "$output/strict-host"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for component in pellidor corvane tressivo varnelle strict-host/pellidor strict-host/corvane strict-host/tressivo \
        strict-host/varnelle; do
    # FMI 3.0 names its platform folders after architecture and system.
    case $component in
        *varnelle) platforms=("${fmi3_platforms[@]}") ;;
        *) platforms=("${fmi2_platforms[@]}") ;;
    esac
    stage=$work/$component
    mkdir -p "$stage/all"
    for i in "${!presets[@]}"; do
        archive=${builds[$i]}/fmu/$component.fmu
        [ -f "$archive" ] || { echo "package-fmus.sh: $archive was not built" >&2; exit 1; }
        mkdir -p "$stage/$i"
        (cd "$stage/$i" && cmake -E tar xf "$archive")
        if [ "$i" -eq 0 ]; then
            cp "$stage/$i/modelDescription.xml" "$stage/all/"
        elif ! cmp -s "$stage/0/modelDescription.xml" "$stage/$i/modelDescription.xml"; then
            echo "package-fmus.sh: $component: the ${platforms[0]} and ${platforms[$i]} archives differ in modelDescription.xml" >&2
            exit 1
        fi
        mkdir -p "$stage/all/binaries"
        cp -R "$stage/$i/binaries/." "$stage/all/binaries/"
    done
    rm -f "$output/$component.fmu"
    # Same inputs, same bytes: fixed time stamps, a fixed order, and no extra
    # fields (they would carry access times and owners).
    (cd "$stage/all" && find . -exec touch -h -d "2000-01-01 00:00:00 UTC" {} + &&
        { echo modelDescription.xml; find binaries -type f | LC_ALL=C sort; } |
        TZ=UTC zip -X -D -q "$output/$component.fmu" -@)

    # The archive must hold the description and exactly one library per
    # platform, each built for that platform.
    contents=$(cd "$stage/all" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    problem=""
    [ "$(grep -c '^binaries/' <<<"$contents")" -eq ${#platforms[@]} ] || problem="not one library per platform"
    for i in "${!platforms[@]}"; do
        library=$(grep "^binaries/${platforms[$i]}/[^/]*\\${suffixes[$i]}\$" <<<"$contents" || true)
        if [ -z "$library" ]; then
            problem="no ${suffixes[$i]} library in binaries/${platforms[$i]}/"
        elif ! objdump -f "$stage/all/$library" | grep -q "file format ${formats[$i]}\$"; then
            problem="$library is not ${formats[$i]}: $(objdump -f "$stage/all/$library" | grep 'file format')"
        fi
    done
    if [ -n "$problem" ]; then
        echo "package-fmus.sh: $component.fmu: $problem; it holds:" >&2
        echo "$contents" >&2
        exit 1
    fi
    echo "$output/$component.fmu:" $contents
done
