#!/usr/bin/env bash
# match/signatures.bin is exactly what tools/gen_signatures.py writes, run after run.
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
out="$TVX_TMP/signatures.bin"
/usr/bin/python3 "$TVX_ROOT/tools/gen_signatures.py" "$out" || exit 1
cmp "$out" "$TVX_ROOT/match/signatures.bin" || { echo "match/signatures.bin differs from the generator's output"; exit 1; }
