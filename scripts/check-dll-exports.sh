#!/usr/bin/env bash
# Checks a Windows component DLL as a host would see it:
#   check-dll-exports.sh <objdump> <library.dll> <export-list.txt> [more lists...]
# - the DLL is named after the first list (pellidor.txt -> pellidor.dll, no "lib"),
# - its export table holds exactly the names of the lists, unadorned (no
#   leading "_", no "@N", no C++ mangling, nothing extra, nothing missing),
# - it imports from KERNEL32 and the C runtime only (msvcrt, or the UCRT and
#   its api-ms-win-crt-* forwarders): no libstdc++, libgcc or winpthread DLLs.
set -euo pipefail

objdump=$1 library=$2 list=$3
lists=("${@:3}")
failed=0
fail() { echo "FAIL $(basename "$library"): $*"; failed=1; }

expected_file="$(basename "$list" .txt).dll"
[ "$(basename "$library")" = "$expected_file" ] || fail "file name should be $expected_file"

headers=$("$objdump" -p "$library")

# The names follow the "[Ordinal/Name Pointer] Table" heading, one a line as
# "<tab>[   N] name", up to the next blank line.
exported=$(awk '/\[Ordinal\/Name Pointer\] Table/ {inside = 1; next}
                inside && NF == 0 {inside = 0}
                inside {print $NF}' <<<"$headers" | LC_ALL=C sort)
expected=$(cat "${lists[@]}" | grep -v -e '^#' -e '^[[:space:]]*$' | LC_ALL=C sort)
if [ "$exported" != "$expected" ]; then
    fail "export table differs from the list (< exported, > expected):"
    diff <(echo "$exported") <(echo "$expected") | grep '^[<>]' || true
fi

imported=$(awk '/DLL Name:/ {print $NF}' <<<"$headers")
[ -n "$imported" ] || fail "no import table found"
while read -r dll; do
    [ -n "$dll" ] || continue
    case "${dll,,}" in
        kernel32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-crt-*.dll) ;;
        *) fail "imports $dll (only KERNEL32 and the C runtime are allowed)" ;;
    esac
done <<<"$imported"

if [ $failed -eq 0 ]; then
    echo "OK $(basename "$library"): $(wc -l <<<"$exported") exports as listed; imports $(echo $imported)"
fi
exit $failed
