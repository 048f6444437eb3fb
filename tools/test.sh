#!/usr/bin/env bash
# Runs every test: native tests with sanitizers, Wine-side test programs, Wine scenario scripts,
# the import audit and short fuzz runs. One log per test; ends with "N passed, N failed".
#   tools/test.sh [--list] [--no-build] [-jN] [PATTERN]
#     PATTERN     keeps only tests whose name contains it
#     --list      prints the tests' names and runs nothing
#     --no-build  runs what is built already: no build and no package check
#     -jN         tests at once (default 2). Tests in the shared prefix run one after another in one
#                 slot; the others each have a prefix of their own and every slot its own display.
# TVX_FUZZ_SECONDS (default 30) sets each fuzz target's run time; 0 replays its kept inputs only.
# A skipped test fails the run, and so does a selection with no test in it: a run that could not test
# what it names is no pass. TVX_ALLOW_SKIP=1 lets skipped tests pass (for a developer who wants only
# the native tests on a machine where Wine cannot be made to start); CI never sets it.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

build=1
list=0
slots=2
pattern=""
for arg in "$@"; do
    case "$arg" in
        --no-build) build=0 ;;
        --list) list=1 ;;
        -j[0-9]*) slots=${arg#-j} ;;
        -*) echo "usage: $0 [--list] [--no-build] [-jN] [PATTERN]" >&2; exit 2 ;;
        *) pattern=$arg ;;
    esac
done
[ "$slots" -ge 1 ] 2>/dev/null || slots=1

# Every test as "name|seconds allowed|group"; group "shared" runs in the shared prefix, one after
# another; "own" tests may run beside each other.
tests=()
for t in $(make -s print-NATIVE_TESTS); do tests+=("native/${t%.cpp}|600|own"); done
for t in $(make -s print-WINE_TESTS); do tests+=("wine/${t%.cpp}|900|shared"); done
for s in $(find tests tools -name '*.test.sh' | sort); do
    group=own
    grep -q '^tvx_use_shared_prefix' "$s" && group=shared
    tests+=("script/${s%.test.sh}|1200|$group")
done
if command -v clang++ >/dev/null 2>&1; then
    for f in $(make -s print-FUZZERS); do tests+=("fuzz/${f%.cpp}|300|own"); done
fi
selected=()
for row in "${tests[@]}"; do
    name=${row%%|*}
    [ -z "$pattern" ] || [[ "$name" == *"$pattern"* ]] && selected+=("$row")
done
if [ ${#selected[@]} -eq 0 ]; then
    echo "no test's name contains '$pattern' (--list prints them)"
    echo "0 passed, 0 failed, 0 skipped"
    exit 1
fi
if [ "$list" = 1 ]; then
    for row in "${selected[@]}"; do echo "${row%%|*}"; done
    exit 0
fi

if [ "$build" = 1 ]; then
    bash tools/bootstrap.sh || { echo "bootstrap failed"; exit 1; }
fi
# TVX_BUILD: the build folder (absolute); several developers may build side by side.
export TVX_BUILD=$(realpath -m "${TVX_BUILD:-$ROOT/build}")
mkdir -p "$TVX_BUILD"
if [ "$build" = 1 ]; then
    make -j"$(nproc)" B="$TVX_BUILD" all >"$TVX_BUILD.log" 2>&1 || { tail -50 "$TVX_BUILD.log"; echo "0 passed, 1 failed"; exit 1; }
fi

unset TVX_TMP TVX_SHARED_PREFIX
source tests/lib/test_env.sh
LOGS=$TVX_BUILD/test-logs
rm -rf "$LOGS" && mkdir -p "$LOGS"
# One display a slot: windows of two tests never overlap, and one test's pointer never hovers the
# other's buttons. Slot 0 keeps the caller's display (or the one test_env.sh started).
slot_display=("$DISPLAY")
for ((n = 1; n < slots; n++)); do
    tvx_start_xvfb || exit 1
    tvx_at_exit "kill $TVX_XVFB_PID 2>/dev/null"
    slot_display+=("$DISPLAY")
done
export DISPLAY=${slot_display[0]}
# The shared prefix for the tests that change nothing machine-wide; its server stays up. Every
# prefix a script leaves behind under TVX_TMP is stopped at the end. Where this machine cannot run
# 32-bit programs, every test that needs Wine skips itself, and this says so once, loudly.
if tvx_runs_win32; then
    for row in "${selected[@]}"; do
        [ "${row##*|}" = shared ] && { tvx_use_shared_prefix; break; }
    done
else
    echo "NOTE: $TVX_NO_WIN32_REASON; every test that needs Wine is skipped (tools/bootstrap.sh sets up emulation)."
fi
tvx_at_exit 'for p in "$TVX_TMP"/*/; do [ -f "$p/system.reg" ] && tvx_stop_prefix "$p"; done'

log_of() { echo "$LOGS/$(echo "$1" | tr '/ ' '__').log"; }

run_one() {  # name seconds: runs one test, prints its line and leaves its exit code in <log>.rc
    local name=$1 limit=$2 path=${1#*/} log start rc cmd
    case "$name" in
        native/*) cmd=("$TVX_BUILD/native/$path") ;;
        wine/*) if [ -n "${TVX_SHARED_PREFIX:-}" ]; then
                    cmd=(env WINEPREFIX="$TVX_SHARED_PREFIX" wine "$TVX_BUILD/win/$path.exe")
                else
                    cmd=(bash -c 'echo "$0"; exit 77' "$TVX_NO_WIN32_REASON")
                fi ;;
        script/*) cmd=(bash "$path.test.sh") ;;
        fuzz/*) cmd=(bash tests/lib/run_fuzzer.sh "$TVX_BUILD/fuzz/$path" "${TVX_FUZZ_SECONDS:-30}") ;;
    esac
    log=$(log_of "$name")
    start=$SECONDS
    timeout --kill-after=10 "$limit" "${cmd[@]}" >"$log" 2>&1
    rc=$?
    echo "$rc" >"$log.rc"
    if [ $rc -eq 0 ]; then
        echo "PASS $name ($((SECONDS - start)) s)"
    elif [ $rc -eq 77 ]; then
        echo "SKIP $name: $(tail -1 "$log")"
    else
        echo "FAIL $name (exit $rc, $((SECONDS - start)) s); last lines of $log:
$(tail -25 "$log" | sed 's/^/    /')"
    fi
}

# run_in_slot COMMAND...: waits for a free slot, then runs COMMAND in the background on its display.
slot_pids=()
run_in_slot() {
    local n
    for (( ; ; )); do
        for ((n = 0; n < slots; n++)); do
            mkdir "$TVX_TMP/slot.$n" 2>/dev/null && break 2
        done
        sleep 0.2
    done
    (DISPLAY=${slot_display[n]} "$@"; rmdir "$TVX_TMP/slot.$n") &
    slot_pids+=($!)
}

run_shared_group() {
    local row name rest
    for row in "${selected[@]}"; do
        [ "${row##*|}" = shared ] || continue
        name=${row%%|*}; rest=${row#*|}
        run_one "$name" "${rest%%|*}"
    done
}

run_in_slot run_shared_group
for row in "${selected[@]}"; do
    [ "${row##*|}" = own ] || continue
    name=${row%%|*}; rest=${row#*|}
    run_in_slot run_one "$name" "${rest%%|*}"
done
wait "${slot_pids[@]}"

passed=0
failed=0
skipped=0
failures=()
for row in "${selected[@]}"; do
    name=${row%%|*}
    rc=$(cat "$(log_of "$name").rc" 2>/dev/null || echo lost)
    case "$rc" in
        0) passed=$((passed + 1)) ;;
        77) skipped=$((skipped + 1)) ;;
        *) failed=$((failed + 1)); failures+=("$name") ;;
    esac
done
echo
if [ ${#failures[@]} -gt 0 ]; then
    echo "Failed: ${failures[*]}"
fi
if [ "$skipped" -gt 0 ]; then
    if [ "${TVX_ALLOW_SKIP:-}" = 1 ]; then
        echo "$skipped skipped, allowed by TVX_ALLOW_SKIP=1"
    else
        echo "Skipped tests fail the run: they tested nothing (TVX_ALLOW_SKIP=1 lets them pass)"
    fi
fi
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] && { [ "$skipped" -eq 0 ] || [ "${TVX_ALLOW_SKIP:-}" = 1 ]; }
