# The defaults every test script shares with tools/test.sh, so that a script run on its own from the
# repository root (`bash tests/disinfect/dispose.test.sh`, nothing exported) runs as it does in the
# suite. Source it first. What the runner has exported is kept; what is missing is made here and
# removed again when the script ends:
#   TVX_ROOT, TVX_BUILD   the repository and the build folder (absolute; default build/)
#   TVX_TMP               a temporary folder for the script's prefixes and files
#   DISPLAY               the caller's display when usable, else an Xvfb of our own
# and tvx_use_shared_prefix, for scripts that run in the suite's shared prefix, tvx_own_prefix for
# scripts that need one of their own, and the findings' lines (ok, fail, expect, check,
# abort, skip).

: "${TVX_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
export TVX_ROOT
TVX_BUILD=$(realpath -m "${TVX_BUILD:-$TVX_ROOT/build}")
export TVX_BUILD
source "$TVX_ROOT/tests/lib/wine_env.sh"

# tvx_at_exit COMMAND: runs COMMAND when the script ends, after the ones added later (a stack, so a
# prefix stops before the folder holding it goes). Use it instead of `trap ... EXIT`.
TVX_EXIT_STEPS=()
tvx_at_exit() {
    TVX_EXIT_STEPS+=("$1")
    trap tvx_run_exit_steps EXIT
}
tvx_run_exit_steps() {
    local i
    for ((i = ${#TVX_EXIT_STEPS[@]} - 1; i >= 0; i--)); do
        eval "${TVX_EXIT_STEPS[i]}" || true
    done
}

if [ -z "${TVX_TMP:-}" ]; then
    TVX_TMP=$(mktemp -d /tmp/tarvex-test.XXXXXX)
    export TVX_TMP
    tvx_at_exit 'rm -rf "$TVX_TMP"'
fi
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    if tvx_start_xvfb; then
        tvx_at_exit "kill $TVX_XVFB_PID 2>/dev/null"
    fi
fi

# tvx_use_shared_prefix: the prefix shared by tests that change nothing machine-wide (TVX_SHARED_PREFIX);
# made here, with its server kept up, when the runner has not made it. The runner runs the scripts
# that call this one after another, never beside each other.
tvx_use_shared_prefix() {
    if [ -z "${TVX_SHARED_PREFIX:-}" ]; then
        export TVX_SHARED_PREFIX=$TVX_TMP/shared
        tvx_copy_prefix "$TVX_SHARED_PREFIX"
        tvx_start_server "$TVX_SHARED_PREFIX" >/dev/null 2>&1
        tvx_at_exit 'tvx_stop_prefix "$TVX_SHARED_PREFIX"'
    fi
}

# tvx_own_prefix NAME [later] [win64]: a fresh prefix of the script's own, $TVX_TMP/NAME, in `prefix`,
# stopped when the script ends; a 64-bit one with `win64`. Its server starts at once, or with `later`
# when the script calls tvx_start_server itself after changing what the server must see from its
# start (drives, versions).
tvx_own_prefix() {
    local option later=0 copy=tvx_copy_prefix
    for option in "${@:2}"; do
        case $option in
        later) later=1 ;;
        win64) copy=tvx_copy_prefix64 ;;
        esac
    done
    prefix=$TVX_TMP/$1
    "$copy" "$prefix"
    tvx_at_exit "tvx_stop_prefix $(printf '%q' "$prefix")"
    [ "$later" = 1 ] || tvx_start_server "$prefix"
}

# A scenario's findings, one line each. `fail` marks the script failed and goes on, `abort` ends it
# at once, `skip` ends it as skipped (77); a script ends with `exit $status`. A script that walks a
# table of cases sets case_label, which every FAIL line then names.
status=0
ok() { echo "ok   $*"; }
fail() { echo "FAIL ${case_label:+[$case_label] }$*"; status=1; }
expect() {  # label wanted got
    if [ "$2" == "$3" ]; then ok "$1: $3"; else fail "$1: wanted '$2', got '$3'"; fi
}
abort() { fail "$@"; exit 1; }
check() {  # label wanted got: as expect, but a mismatch ends the script
    if [ "$2" == "$3" ]; then ok "$1: $3"; else abort "$1: wanted '$2', got '$3'"; fi
}
skip() { echo "$*"; exit 77; }
tvx_no_win32() { skip "$TVX_NO_WIN32_REASON"; }
