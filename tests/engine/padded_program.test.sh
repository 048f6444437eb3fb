#!/usr/bin/env bash
# A program of ours padded by the fixture tool still runs under Wine, and its file matches the row
# the tool reported (the way the memory scan and the demo use it).
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
tvx_use_shared_prefix
work="$TVX_TMP/engine-padded"
mkdir -p "$work"
# Debug information makes the file longer than any row's runs reach; the stripped copy runs the same.
program="$work/program.exe"
i686-w64-mingw32-strip -o "$program" "$TVX_BUILD/win/tests/engine/exit_code_program.exe" || exit 1
line=$("$TVX_BUILD/native/tests/fixtures/make_fixture" pad "$program" "$work/padded.exe") || exit 1
echo "padded to: $line"
row=$(echo "$line" | cut -f1)
name=$(echo "$line" | cut -f2)
WINEPREFIX="$TVX_SHARED_PREFIX" wine "$work/padded.exe"
rc=$?
[ $rc -eq 7 ] || { echo "padded program exit code $rc, expected 7"; exit 1; }
found=$("$TVX_BUILD/native/tests/engine/match_files" "$work/padded.exe")
echo "$found"
echo "$found" | grep -qF "MATCH $work/padded.exe: row $row $name" || exit 1
# The unpadded program matches nothing.
"$TVX_BUILD/native/tests/engine/match_files" "$program" || exit 1
