#!/usr/bin/env bash
# The product must load on 95/98/ME and NT 4: check its PE header and its static imports.
set -euo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
root=$TVX_ROOT
exe="$TVX_BUILD/tarvex.exe"
allow="$root/tests/build/imports.allow"
/usr/bin/python3 "$root/tests/build/import_audit.py" "$exe" "$allow"

# The audit must notice an import that the list does not name.
trimmed=$(mktemp)
tvx_at_exit 'rm -f "$trimmed"'
grep -v '^kernel32.dll!MoveFileExA$' "$allow" >"$trimmed"
if /usr/bin/python3 "$root/tests/build/import_audit.py" "$exe" "$trimmed" >/dev/null; then
    echo "FAIL: the audit passed although MoveFileExA was missing from the allow-list"
    exit 1
fi

# A program built with the C run-time must fail on its DLL, even with every import allowed.
crt_exe="${TVX_BUILD:-$root/build}/win/tests/helpers/sleeper.exe"
everything=$(mktemp)
trap 'rm -f "$trimmed" "$everything"' EXIT
i686-w64-mingw32-objdump -p "$crt_exe" |
    awk '/DLL Name:/ { dll = tolower($3); next } dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print dll "!" $3 } !NF { dll = "" }' >"$everything"
grep -q '^msvcrt\.dll!' "$everything" || { echo "FAIL: could not list the C run-time imports of $crt_exe"; exit 1; }
report=$(/usr/bin/python3 "$root/tests/build/import_audit.py" "$crt_exe" "$everything" || true)
case $report in
*"imports from a DLL outside the system's five: msvcrt.dll"*) ;;
*) echo "FAIL: the audit did not name msvcrt.dll as a DLL the product must not import"; exit 1 ;;
esac
echo "ok: no C run-time DLL, no DLL beyond the system's five"
