#!/usr/bin/env bash
# No false matches: both matchers over every file of Wine's builtin DLL folders, mingw's runtime
# DLLs and the hand-made PE layout corpus, read in place. Lengths are also relaxed (--any-length)
# so that every record's byte runs are compared in every PE file.
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
tool="$TVX_BUILD/native/tests/match/match_files"
folders=()
for d in /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/i386-linux-gnu/wine/x86_64-windows \
         /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/i386-windows /usr/lib/wine/x86_64-windows \
         /usr/lib/gcc/i686-w64-mingw32 /usr/i686-w64-mingw32 /usr/lib/gcc/x86_64-w64-mingw32 /usr/x86_64-w64-mingw32 \
         "$TVX_ROOT/../shared/corpus/pe-pocs"; do
    [ -d "$d" ] && folders+=("$d")
done
if [ ${#folders[@]} -lt 2 ]; then
    echo "no Windows binaries on this machine to check"
    exit 77
fi
out=$("$tool" --any-length "${folders[@]}")
rc=$?
echo "$out" | tail -20
[ $rc -eq 0 ] || exit 1
pe=$(echo "$out" | sed -n 's/^[0-9]* files, \([0-9]*\) PE files, 0 matches$/\1/p')
[ -n "$pe" ] && [ "$pe" -gt 0 ] || { echo "no PE files were read"; exit 1; }
