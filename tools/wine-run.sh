#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh <wine-prefix-dir> <program.exe> [arguments...]
# The prefix is created on first use (this takes some seconds); Wine's own
# diagnostics are silenced so that only the program's output shows.
set -euo pipefail

prefix=$(realpath -m "$1")  # Wine takes an absolute prefix only
shift
if command -v wine >/dev/null; then
    wine=wine server=wineserver
elif [ -x /usr/lib/wine/wine64 ]; then
    wine=/usr/lib/wine/wine64 server=/usr/lib/wine/wineserver64
else
    echo "wine-run.sh: Wine is not installed (run tools/install-windows-deps.sh)" >&2
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
    { "$wine" wineboot --init && "$server" -w; } >"$prefix.log" 2>&1 || {
        echo "wine-run.sh: creating the Wine prefix $prefix failed; see $prefix.log" >&2
        exit 1
    }
fi
exec "$wine" "$@"
