#!/usr/bin/env bash
# Replays a fuzz target's kept inputs, then fuzzes it for a fixed time.
#   run_fuzzer.sh BINARY SECONDS     (0 seconds: replay the kept inputs only)
# Kept inputs live in tests/fuzz/corpus/<target>/ (seeds and every crash found, kept as regressions).
set -euo pipefail
bin=$1 seconds=$2
name=$(basename "$bin")
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
kept="$ROOT/tests/fuzz/corpus/$name"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -d "$kept" ] && [ -n "$(ls -A "$kept")" ]; then
    "$bin" -runs=0 "$kept"/*
    cp "$kept"/* "$work"/
fi
# libFuzzer reads a total time of 0 as "no limit".
[ "$seconds" -gt 0 ] || exit 0
"$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" "$work" 2>&1 | tail -20
