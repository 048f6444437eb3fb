#!/usr/bin/env bash
# Both benchmarks in one sitting, one right after the other: the walk benchmark (run_bench.sh),
# then the GUI benchmark (gui_bench.sh), so that the GUI scan can be set against the scan run (a)
# and against YARA under the same load. Not part of the test run.
#   tools/bench/sitting.sh [FILES (20000)] [RUNS (5)] [CPU (1)]
# Needs what both scripts need (make -j2 B=$TVX_BUILD wine native product, yara). TVX_BEFORE_EXE
# goes on to gui_bench.sh; TVX_BENCH_MEMORY_SIZES to run_bench.sh ("" leaves out the memory runs).
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
files=${1:-20000}; runs=${2:-5}; cpu=${3:-1}
out=$(mktemp -d /tmp/tarvex-sitting.XXXXXX)
trap 'rm -rf "$out"' EXIT
source "$ROOT/tools/emulation.sh"
emulator=$(tvx_i386_emulator)
if [ -n "$emulator" ]; then
    echo "32-bit side: EMULATED by $emulator (binfmt_misc): the tool's times are not the target's; ratios give the direction only"
else
    echo "32-bit side: native"
fi

bash "$ROOT/tools/bench/run_bench.sh" "$files" "$runs" "$cpu" | tee "$out/walk"
bash "$ROOT/tools/bench/gui_bench.sh" "$files" "$runs" "$cpu" | tee "$out/gui"

medians=$(grep '^median seconds for ' "$out/walk")
a=$(echo "$medians" | sed 's/.*(a) \([0-9.]*\) .*/\1/')
yara1=$(echo "$medians" | sed 's/.*YARA -p 1 \([0-9.]*\) .*/\1/')
yara=$(echo "$medians" | sed 's/.*YARA default threads \([0-9.]*\).*/\1/')
yara32=$(echo "$medians" | sed -n 's/.*YARA 32-bit emulated -p 1 \([0-9.]*\).*/\1/p')
g=$(sed -n 's/^median seconds over C: .*GUI scan \([0-9.]*\),.*/\1/p' "$out/gui")
before=$(sed -n 's/^median seconds of the GUI scan (before): \([0-9.]*\).*/\1/p' "$out/gui")
echo "=== one sitting, $files generated files, medians of $runs"
echo "(a) $a  GUI scan $g  YARA -p 1 $yara1  YARA default threads $yara${yara32:+  YARA 32-bit emulated -p 1 $yara32}${before:+  GUI scan (before) $before}"
awk -v a="$a" -v g="$g" -v y1="$yara1" -v y="$yara" -v y32="${yara32:-0}" -v b="${before:-0}" 'BEGIN {
    printf "GUI/(a) = %.3f  GUI/(YARA -p 1) = %.3f  GUI/(YARA default threads) = %.3f\n", g / a, g / y1, g / y
    # Under emulation the tool runs emulated and the native YARA does not: the 32-bit YARA, through
    # the same emulator, is the like-for-like comparison.
    if (y32 > 0) printf "GUI/(YARA 32-bit emulated -p 1) = %.3f  (both emulated)\n", g / y32
    if (b > 0) printf "GUI (before)/(a) = %.3f\n", b / a
}'
