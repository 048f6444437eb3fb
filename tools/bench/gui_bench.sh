#!/usr/bin/env bash
# GUI benchmark: the whole scan started by the tool's Scan button against programs (c) and (c0) of
# the walk benchmark with their window shown, over the same C: drive (the generated tree plus Wine's files),
# everything under test pinned to one CPU; then the time from an Escape press during a scan to the
# terminate question on screen. Not part of the test run.
#   tools/bench/gui_bench.sh [FILES (20000)] [RUNS (3)] [CPU (1)]
# Needs: make -j2 B=$TVX_BUILD product wine (tarvex.exe, tvxauto.exe, bench_window_walk.exe).
# TVX_BEFORE_EXE=FILE: another build of the tool (say, before a change), timed the same way in
# every round right after this one, so that both are measured in one sitting.
set -eu
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export TVX_BUILD=${TVX_BUILD:-$ROOT/build}
files=${1:-20000}; runs=${2:-3}; cpu=${3:-1}
other_cpu=$(( cpu == 0 ? 1 : 0 ))
source "$ROOT/tests/lib/wine_env.sh"
tvx_ensure_display
work=$(mktemp -d /tmp/tarvex-guibench.XXXXXX)
prefix=$work/prefix
cleanup() {
    tvx_stop_prefix "$prefix"
    [ -z "${TVX_XVFB_PID:-}" ] || kill "$TVX_XVFB_PID" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
tvx_copy_prefix "$prefix"
mkdir -p "$prefix/drive_c/tarvex"
cp "$TVX_BUILD/tarvex.exe" "$prefix/drive_c/tarvex/"
before_exe=${TVX_BEFORE_EXE:-}
if [ -n "$before_exe" ]; then
    mkdir -p "$prefix/drive_c/before"
    cp "$before_exe" "$prefix/drive_c/before/tarvex.exe"
fi
cp "$TVX_BUILD/win/tools/bench/bench_window_walk.exe" "$prefix/drive_c/"
WINEPREFIX=$prefix taskset -c "$cpu" wineserver -p
tvx_set_version "$prefix" tarvex.exe winxp
source "$ROOT/tests/lib/tool_paths.sh"
MAIN=$MAIN_SEL
QUESTION=$QUESTION_SEL
AUTO_PREFIX=$prefix
# The automation client runs on the other CPU so that its polling does not take the tool's.
AUTO_CPU=$other_cpu
now() { date +%s.%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
start_tool() {  # [folder of C: holding tarvex.exe (tarvex)]
    local exe="C:\\${1:-tarvex}\\tarvex.exe"
    (cd "$prefix/drive_c" && exec env WINEPREFIX="$prefix" taskset -c "$cpu" wine "$exe") >/dev/null 2>&1 &
    tool_pid=$!
    auto wait "$MAIN" 30000 >/dev/null
}
close_tool() {
    auto click "$MAIN" "$IDC_MAIN_OK" >/dev/null || true
    wait "$tool_pid" || true
}

/usr/bin/python3 "$ROOT/tools/bench/make_tree.py" "$prefix/drive_c/tree" "$files" "$work/pool"
# (c) walks the folders of C: that hold files, one by one: it would follow the folder link under
# users, which the tool's walker passes over. Together they hold the files of the tool's walk.
FOLDERS=('C:\tree' 'C:\windows' 'C:\Program Files' 'C:\ProgramData' 'C:\tarvex')
walk_c() {  # [--no-open for (c0)] -> "seconds files" summed over FOLDERS
    local folder line total=0 count=0
    for folder in "${FOLDERS[@]}"; do
        line=$(cd "$prefix/drive_c" && WINEPREFIX=$prefix taskset -c "$cpu" wine 'C:\bench_window_walk.exe' "$folder" --shown "$@" 2>/dev/null | tr -d '\r')
        total=$(awk -v t="$total" -v s="$(echo "$line" | sed 's/.*seconds=\([0-9.]*\).*/\1/')" 'BEGIN {printf "%.3f", t + s}')
        count=$((count + $(echo "$line" | sed 's/.*files=\([0-9]*\).*/\1/')))
    done
    echo "$total $count"
}
walk_c >/dev/null  # warm the cache

# gui_scan FOLDER: one scan from the Scan button by C:\FOLDER\tarvex.exe -> "seconds=... files=...".
gui_scan() {
    local t0 t1 scanned
    start_tool "$1"
    t0=$(now)
    auto click "$MAIN" "$IDC_SCAN" >/dev/null
    auto waittext "$MAIN" "$IDC_CURRENT_FILE" "Scanning completed" 600000 >/dev/null
    t1=$(now)
    scanned=$(auto list "$MAIN" "$IDC_RESULT_LIST" | sed -n 's/^Total files scanned.*:  //p')
    close_tool
    # The Scan press waits 100 ms for its timer before the scan starts.
    awk -v a="$t0" -v b="$t1" -v n="$scanned" 'BEGIN {printf "seconds=%.3f files=%s\n", b - a - 0.1, n}'
}

gui_times=""; c_times=""; c0_times=""; before_times=""
echo "load before: $(uptime)"
for i in $(seq 1 "$runs"); do
    read -r seconds count < <(walk_c)
    echo "run $i (c) shown: seconds=$seconds files=$count"
    c_times+="$seconds "
    read -r seconds count < <(walk_c --no-open)
    echo "run $i (c0) shown: seconds=$seconds files=$count"
    c0_times+="$seconds "

    line=$(gui_scan tarvex)
    echo "run $i GUI scan: $line"
    gui_times+="$(echo "$line" | sed 's/.*seconds=\([0-9.]*\).*/\1/') "
    if [ -n "$before_exe" ]; then
        line=$(gui_scan before)
        echo "run $i GUI scan (before): $line"
        before_times+="$(echo "$line" | sed 's/.*seconds=\([0-9.]*\).*/\1/') "
    fi
done
g=$(echo $gui_times | tr ' ' '\n' | median)
c=$(echo $c_times | tr ' ' '\n' | median)
c0=$(echo $c0_times | tr ' ' '\n' | median)
echo "load after: $(uptime)"
echo "median seconds over C: with $files generated files: GUI scan $g, (c) shown $c, (c0) shown $c0"
awk -v g="$g" -v c="$c" -v c0="$c0" 'BEGIN {printf "GUI/(c) = %.3f  GUI/(c0) = %.3f\n", g / c, g / c0}'
if [ -n "$before_exe" ]; then
    echo "median seconds of the GUI scan (before): $(echo $before_times | tr ' ' '\n' | median)"
fi

# Escape during a scan: from the key press to the question found on screen, less what finding an
# already open question costs the automation client. The tree gets files that the detector opens,
# so that the walk is still in it for the five questions.
plant_busy_files "$prefix/drive_c/tree/busy" 20000
start_tool
auto click "$MAIN" "$IDC_SCAN" >/dev/null
for _ in $(seq 1 600); do
    [[ "$(auto text "$MAIN" "$IDC_CURRENT_FILE")" == C:\\tree* ]] && break
    sleep 0.1
done
latencies=""
for i in $(seq 1 5); do
    # Only while the walk is still in the tree: Escape on a finished window would close it.
    [[ "$(auto text "$MAIN" "$IDC_CURRENT_FILE")" == C:\\tree* ]] || break
    t0=$(now)
    auto key "$MAIN" "$VK_ESCAPE" >/dev/null
    auto wait "$QUESTION" 10000 >/dev/null
    t1=$(now)
    auto wait "$QUESTION" 10000 >/dev/null
    t2=$(now)
    latency=$(awk -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN {printf "%.3f", (b - a) - (c - b)}')
    echo "escape $i: ${latency} s"
    latencies+="$latency "
    auto click "$QUESTION" "$IDC_MSG_NO" >/dev/null
    auto gone "$QUESTION" 10000 >/dev/null
    # A key-up may ask once more; answer it the same way.
    if auto wait "$QUESTION" 700 >/dev/null; then auto click "$QUESTION" "$IDC_MSG_NO" >/dev/null; auto gone "$QUESTION" 10000 >/dev/null; fi
    sleep 0.3
done
echo "median Escape-to-question: $(echo $latencies | tr ' ' '\n' | median) s"
# Stop the scan if it is still running, then close the window.
if [[ "$(auto text "$MAIN" "$IDC_CURRENT_FILE")" == C:* ]]; then
    auto key "$MAIN" "$VK_ESCAPE" >/dev/null
    auto wait "$QUESTION" 10000 >/dev/null && auto click "$QUESTION" "$IDC_MSG_YES" >/dev/null
    sleep 1
    if auto wait "$QUESTION" 1000 >/dev/null; then auto click "$QUESTION" "$IDC_MSG_YES" >/dev/null; fi
fi
for _ in $(seq 1 300); do
    kill -0 "$tool_pid" 2>/dev/null || break  # an Escape that came after the scan closed the window
    auto state "$MAIN" "$IDC_MAIN_OK" | grep -q visible=1 && break
    sleep 0.2
done
close_tool
