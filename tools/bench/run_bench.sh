#!/usr/bin/env bash
# Walk benchmark: (a) the real scan run, (b) a bare two-pass walk with the detector's header
# reads, (c) the bare walk plus the walker's window work; alternating, medians, then peak memory
# of (a) for two tree sizes. Not part of the test run.
#   tools/bench/run_bench.sh [FILES (20000)] [RUNS (5)] [CPU (1)]
# Needs a built tree (make -j2 B=$TVX_BUILD wine) and a display (starts Xvfb when there is none).
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export TVX_BUILD=${TVX_BUILD:-$ROOT/build}
files=${1:-20000}; runs=${2:-5}; cpu=${3:-1}
source "$ROOT/tests/lib/wine_env.sh"
tvx_ensure_display
work=$(mktemp -d /tmp/tarvex-bench.XXXXXX)
prefix=$work/prefix
cleanup() { tvx_stop_prefix "$prefix"; [ -n "${TVX_XVFB_PID:-}" ] && kill "$TVX_XVFB_PID" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
tvx_copy_prefix "$prefix"
for p in bench_scan_run bench_bare_walk bench_window_walk; do
    cp "$TVX_BUILD/win/tools/bench/$p.exe" "$prefix/drive_c/"
done
# The wineserver and every program share one CPU, so their hand-offs cost the same in each run.
WINEPREFIX=$prefix taskset -c "$cpu" wineserver -p
run() {  # program tree -> "seconds=... files=... peak_..."
    WINEPREFIX=$prefix taskset -c "$cpu" wine "C:\\$1.exe" "$2" 2>/dev/null | tr -d '\r'
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

/usr/bin/python3 "$ROOT/tools/bench/make_tree.py" "$prefix/drive_c/tree" "$files" "$work/pool"
run bench_bare_walk 'C:\tree' >/dev/null   # warm the page cache
declare -A times
for i in $(seq 1 "$runs"); do
    for p in bench_scan_run bench_bare_walk bench_window_walk; do
        line=$(run $p 'C:\tree')
        echo "run $i $p: $line"
        times[$p]+="$(echo "$line" | sed 's/.*seconds=\([0-9.]*\).*/\1/') "
    done
done
a=$(echo ${times[bench_scan_run]} | tr ' ' '\n' | median)
b=$(echo ${times[bench_bare_walk]} | tr ' ' '\n' | median)
c=$(echo ${times[bench_window_walk]} | tr ' ' '\n' | median)
echo "median seconds for $files files: (a) $a  (b) $b  (c) $c"
awk -v a="$a" -v b="$b" -v c="$c" 'BEGIN {printf "(a)/(c) = %.3f  (a)/(b) = %.3f\n", a / c, a / b}'

for n in ${TVX_BENCH_MEMORY_SIZES-10000 100000}; do
    rm -rf "$prefix/drive_c/tree"
    /usr/bin/python3 "$ROOT/tools/bench/make_tree.py" "$prefix/drive_c/tree" "$n" "$work/pool"
    echo "peak memory of (a), $n files: $(run bench_scan_run 'C:\tree')"
done
