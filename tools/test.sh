#!/usr/bin/env bash
# Runs every test: native tests with sanitizers, Wine-side test programs, Wine scenario scripts,
# the import audit and short fuzz runs. Ends with "N passed, N failed".
#   tools/test.sh [--no-build] [PATTERN]   PATTERN keeps only tests whose name contains it.
# TVX_FUZZ_SECONDS (default 30) sets each fuzz target's run time.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

build=1
pattern=""
for arg in "$@"; do
    case "$arg" in
        --no-build) build=0 ;;
        *) pattern=$arg ;;
    esac
done

bash tools/bootstrap.sh || { echo "bootstrap failed"; exit 1; }
# TVX_BUILD: the build folder (absolute); several developers may build side by side.
export TVX_BUILD=$(realpath -m "${TVX_BUILD:-$ROOT/build}")
mkdir -p "$TVX_BUILD"
if [ "$build" = 1 ]; then
    make -j"$(nproc)" B="$TVX_BUILD" all >"$TVX_BUILD.log" 2>&1 || { tail -50 "$TVX_BUILD.log"; echo "0 passed, 1 failed"; exit 1; }
fi

source tests/lib/wine_env.sh
export TVX_ROOT=$ROOT
export TVX_TMP=$(mktemp -d /tmp/tarvex-test.XXXXXX)
LOGS=$TVX_BUILD/test-logs
rm -rf "$LOGS" && mkdir -p "$LOGS"
tvx_ensure_display || true

# One shared sandbox prefix for tests that change nothing machine-wide; its server stays up.
export TVX_SHARED_PREFIX=$TVX_TMP/shared
tvx_copy_prefix "$TVX_SHARED_PREFIX"
tvx_start_server "$TVX_SHARED_PREFIX"

cleanup() {
    tvx_stop_prefix "$TVX_SHARED_PREFIX"
    for p in "$TVX_TMP"/*/; do
        [ -f "$p/system.reg" ] && tvx_stop_prefix "$p"
    done
    [ -n "${TVX_XVFB_PID:-}" ] && kill "$TVX_XVFB_PID" 2>/dev/null
    rm -rf "$TVX_TMP"
}
trap cleanup EXIT

passed=0
failed=0
failures=()

run_one() {  # name, timeout seconds, command...
    local name=$1 limit=$2; shift 2
    if [ -n "$pattern" ] && [[ "$name" != *"$pattern"* ]]; then
        return
    fi
    local log="$LOGS/$(echo "$name" | tr '/ ' '__').log"
    local start=$SECONDS
    timeout --kill-after=10 "$limit" "$@" >"$log" 2>&1
    local rc=$?
    if [ $rc -eq 0 ]; then
        passed=$((passed + 1))
        echo "PASS $name ($((SECONDS - start)) s)"
    elif [ $rc -eq 77 ]; then
        echo "SKIP $name: $(tail -1 "$log")"
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "FAIL $name (exit $rc, $((SECONDS - start)) s); last lines of $log:"
        tail -25 "$log" | sed 's/^/    /'
    fi
}

for t in $(make -s print-NATIVE_TESTS); do
    run_one "native/${t%.cpp}" 600 "$TVX_BUILD/native/${t%.cpp}"
done
for t in $(make -s print-WINE_TESTS); do
    run_one "wine/${t%.cpp}" 900 env WINEPREFIX="$TVX_SHARED_PREFIX" wine "$TVX_BUILD/win/${t%.cpp}.exe"
done
for s in $(find tests tools -name '*.test.sh' | sort); do
    run_one "script/${s%.test.sh}" 1200 bash "$s"
done
if command -v clang++ >/dev/null 2>&1; then
    for f in $(make -s print-FUZZERS); do
        run_one "fuzz/${f%.cpp}" 300 bash tests/lib/run_fuzzer.sh "$TVX_BUILD/fuzz/${f%.cpp}" "${TVX_FUZZ_SECONDS:-30}"
    done
fi

echo
if [ ${#failures[@]} -gt 0 ]; then
    echo "Failed: ${failures[*]}"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
