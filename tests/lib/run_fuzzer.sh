#!/usr/bin/env bash
# Replays a fuzz target's kept inputs, then fuzzes it for a fixed time.
#   run_fuzzer.sh BINARY SECONDS     (0 seconds: replay the kept inputs only)
# Kept inputs live in tests/fuzz/corpus/<target>/ (seeds and every crash found, kept as regressions).
# An input that makes the fuzz run fail is copied into the test-log folder as <target>-crash-<hash>
# (or -leak-, -timeout-, -oom-), because the fuzzer's own folder is a temporary one removed on exit.
set -euo pipefail
bin=$1 seconds=$2
name=$(basename "$bin")
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
kept="$ROOT/tests/fuzz/corpus/$name"
logs=${TVX_BUILD:-$ROOT/build}/test-logs
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
if [ -d "$kept" ] && [ -n "$(ls -A "$kept")" ]; then
    # A kept input that fails is already a file of the repository; libFuzzer's "Running:" line names it.
    "$bin" -runs=0 "$kept"/*
    cp "$kept"/* "$work/corpus/"
fi
# libFuzzer reads a total time of 0 as "no limit".
[ "$seconds" -gt 0 ] || exit 0
status=0
"$bin" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/output" 2>&1 || status=$?
if [ "$status" -eq 0 ]; then
    tail -20 "$work/output"
    exit 0
fi
# The whole report on failure: the sanitizer's stack is what the reader needs.
cat "$work/output"
mkdir -p "$logs"
for found in "$work/artifacts"/*; do
    [ -f "$found" ] || continue
    copy="$logs/$name-$(basename "$found")"
    cp "$found" "$copy"
    echo "fuzz input kept: $copy (add it to tests/fuzz/corpus/$name/ to replay it in every run)"
done
exit "$status"
