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
