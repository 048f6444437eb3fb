#!/usr/bin/env bash
# Walk benchmark: (a) the real scan run, (b) a bare two-pass walk with the detector's header
# reads, (c) the bare walk plus the walker's window work, (c0) (c) opening no file, and YARA
# natively over the same tree with a rule set made from the signature table; alternating within
# each round, medians, then peak memory of (a) for two tree sizes. Not part of the test run.
#   tools/bench/run_bench.sh [FILES (20000)] [RUNS (5)] [CPU (1)]
# Needs a built tree (make -j2 B=$TVX_BUILD wine native), yara (apt-get install yara) and a
# display (starts Xvfb when there is none). Where the 32-bit side runs emulated, Debian's 32-bit
# yara also runs, through the same emulator, so that like is compared with like.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export TVX_BUILD=${TVX_BUILD:-$ROOT/build}
files=${1:-20000}; runs=${2:-5}; cpu=${3:-1}
source "$ROOT/tests/lib/wine_env.sh"
source "$ROOT/tools/emulation.sh"
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
run() {  # program tree [options] -> "seconds=... files=... peak_..."
    WINEPREFIX=$prefix taskset -c "$cpu" wine "C:\\$1.exe" "${@:2}" 2>/dev/null | tr -d '\r'
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
tree=$prefix/drive_c/tree

/usr/bin/python3 "$ROOT/tools/bench/make_tree.py" "$tree" "$files" "$work/pool"
# Planted files, as row:fault: records' own files and near misses (one detail changed), made by the
# fixture tool.
mkdir -p "$tree/planted"
for planted in 1: 2: 100: 374: 748: 3:byte21 50:sections20 200:lfanew-high \
            1:length+1 2:run-byte 100:signature 748:sections21 374:length-1; do
    row=${planted%%:*}; fault=${planted#*:}
    "$TVX_BUILD/native/tests/fixtures/make_fixture" record "$row" "$tree/planted/row${row}${fault:+_$fault}.exe" $fault
done
/usr/bin/python3 "$ROOT/tools/bench/make_yara_rules.py" "$ROOT/match/signatures.bin" "$work/rules.yar"
# The rule set must match exactly the files the detector's matcher matches.
"$TVX_BUILD/native/tests/match/match_files" "$tree" | sed -n 's|^MATCH \(.*\): row.*|\1|p' | sort >"$work/detector.txt" || true
yara -r "$work/rules.yar" "$tree" | cut -d' ' -f2- | sort -u >"$work/yara.txt"
echo "planted files matched by the detector's matcher: $(wc -l <"$work/detector.txt"), by YARA: $(wc -l <"$work/yara.txt")"
sed "s|$tree/||" "$work/detector.txt"
if cmp -s "$work/detector.txt" "$work/yara.txt"; then echo "YARA matches the same files"; else echo "YARA DIFFERS"; diff "$work/detector.txt" "$work/yara.txt" || true; fi

# yara_i386: Debian's 32-bit yara, unpacked from its package into the build folder (its library,
# libyara9:i386, installs beside the native one); prints the program's path.
yara_i386() {
    local dir=$TVX_BUILD/yara-i386
    if [ ! -x "$dir/usr/bin/yara" ]; then
        [ "$(dpkg-query -W -f='${db:Status-Abbrev}' libyara9:i386 2>/dev/null)" = "ii " ] ||
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends libyara9:i386 >/dev/null
        rm -rf "$dir" && mkdir -p "$dir/deb"
        (cd "$dir/deb" && apt-get download -qq yara:i386 2>/dev/null) && dpkg -x "$dir"/deb/yara_*_i386.deb "$dir"
    fi
    echo "$dir/usr/bin/yara"
}
yara32=""
[ -z "$(tvx_i386_emulator)" ] || yara32=$(yara_i386)

yara_run() {  # threads ("" for YARA's default) [program] -> "seconds=..."
    local t0 t1 program=${2:-yara}
    t0=$(date +%s.%N)
    if [ -n "$1" ]; then taskset -c "$cpu" "$program" -r -p "$1" "$work/rules.yar" "$tree" >/dev/null
    else "$program" -r "$work/rules.yar" "$tree" >/dev/null; fi
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN {printf "seconds=%.3f\n", b - a}'
}
run bench_bare_walk 'C:\tree' >/dev/null   # warm the page cache
yara_run 1 >/dev/null
echo "load before: $(uptime)"
declare -A times
names=(a b c c0 yara1 yara)
[ -z "$yara32" ] || names+=(yara32)
for i in $(seq 1 "$runs"); do
    for p in "${names[@]}"; do
        case $p in
            a) line=$(run bench_scan_run 'C:\tree') ;;
            b) line=$(run bench_bare_walk 'C:\tree') ;;
            c) line=$(run bench_window_walk 'C:\tree') ;;
            c0) line=$(run bench_window_walk 'C:\tree' --no-open) ;;
            yara1) line=$(yara_run 1) ;;
            yara) line=$(yara_run "") ;;
            yara32) line=$(yara_run 1 "$yara32") ;;
        esac
        echo "run $i ($p): $line"
        times[$p]+="$(echo "$line" | sed 's/.*seconds=\([0-9.]*\).*/\1/') "
    done
done
echo "load after: $(uptime)"
declare -A m
for p in "${names[@]}"; do m[$p]=$(echo ${times[$p]} | tr ' ' '\n' | median); done
echo "median seconds for $files files (+ $(ls "$tree/planted" | wc -l) planted): (a) ${m[a]}  (b) ${m[b]}  (c) ${m[c]}  (c0) ${m[c0]}  YARA -p 1 ${m[yara1]}  YARA default threads ${m[yara]}${yara32:+  YARA 32-bit emulated -p 1 ${m[yara32]}}"
awk -v a="${m[a]}" -v b="${m[b]}" -v c="${m[c]}" -v c0="${m[c0]}" \
    'BEGIN {printf "(a)/(c0) = %.3f  (a)/(c) = %.3f  (a)/(b) = %.3f\n", a / c0, a / c, a / b}'

for n in ${TVX_BENCH_MEMORY_SIZES-10000 100000}; do
    rm -rf "$tree"
    /usr/bin/python3 "$ROOT/tools/bench/make_tree.py" "$tree" "$n" "$work/pool"
    echo "peak memory of (a), $n files: $(run bench_scan_run 'C:\tree')"
done
