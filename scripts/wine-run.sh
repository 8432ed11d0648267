#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh <wine-prefix-dir> <program.exe> [arguments...]
# The prefix is created on first use (this takes some seconds); Wine's own
# diagnostics are silenced so that only the program's output shows.
set -euo pipefail

prefix=$(realpath -m "$1")  # Wine takes an absolute prefix only
shift

# The machine a PE program is built for: the 16-bit field after the "PE\0\0"
# signature, whose offset sits at 0x3c. 8664 is x86-64, 014c is 32-bit x86.
pe_machine() {
    local header
    header=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
    [ -n "$header" ] && od -An -tx2 -j$((header + 4)) -N2 "$1" 2>/dev/null | tr -d ' '
}

# Debian's wine command prefers the 32-bit loader whenever wine32 is
# installed, which then hands a 64-bit program on to wine64. Each program is
# started by the loader of its own width instead: the 32-bit one may run
# emulated (scripts/enable-i386-programs.sh) and is the slower start.
if [ "$(pe_machine "$1")" = 8664 ] && [ -x /usr/lib/wine/wine64 ]; then
    wine=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64
    export WINELOADER=$wine
elif command -v wine >/dev/null; then
    wine=wine server=wineserver
else
    echo "wine-run.sh: Wine is not installed (run scripts/install-windows-deps.sh)" >&2
    exit 127
fi

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No .NET or HTML engine: a console test program needs neither, and Wine
# would otherwise offer to download them when it creates the prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix"
    # Wine writes the prefix's registry when its server ends: wait for that.
    # The registry, not wineboot's exit status, tells whether the prefix is
    # there: an emulated 32-bit wineboot on a busy machine has been seen
    # killed after its work was done.
    { "$wine" wineboot --init; "$server" -w; } >"$prefix.log" 2>&1 || true
    if [ ! -f "$prefix/system.reg" ]; then
        echo "wine-run.sh: creating the Wine prefix $prefix failed; see $prefix.log" >&2
        exit 1
    fi
fi
exec "$wine" "$@"
