# Shared steps of the end-to-end scenarios: a sandbox prefix with the tool in it, the tool started as
# a user would start it, and the automation client to press its buttons and read its windows.
# Source this file from a *.test.sh; it sets E2E_PREFIX and a trap that stops the prefix.

set -uo pipefail
: "${TVX_ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
: "${TVX_BUILD:=$TVX_ROOT/build}"
: "${TVX_TMP:=$(mktemp -d /tmp/tarvex-e2e.XXXXXX)}"
source "$TVX_ROOT/tests/lib/wine_env.sh"

TOOL_EXE=$TVX_BUILD/tarvex.exe
AUTO_EXE=$TVX_BUILD/win/tools/automation/tvxauto.exe
HOLDER_EXE=$TVX_BUILD/win/tools/demo/lock_holder.exe
FIXTURE_TOOL=$TVX_BUILD/native/tests/fixtures/make_fixture
MAIN_SEL='Tarvex Ver 1.0@1052'
TITLE='Tarvex Ver 1.0'
SHOTS=$TVX_BUILD/screenshots

skip() { echo "$*"; exit 77; }
fail() { echo "FAIL: $*"; exit 1; }

# e2e_require FILE...: skips the scenario when a program it drives has not been built.
e2e_require() {
    local f
    for f in "$@"; do
        [ -e "$f" ] || skip "not built: ${f#"$TVX_BUILD"/}"
    done
}

# e2e_prefix NAME: a fresh sandbox prefix with the tool copied to C:\tarvex\tarvex.exe.
e2e_prefix() {
    E2E_PREFIX=$TVX_TMP/$1
    tvx_copy_prefix "$E2E_PREFIX"
    mkdir -p "$E2E_PREFIX/drive_c/tarvex"
    cp "$TOOL_EXE" "$E2E_PREFIX/drive_c/tarvex/tarvex.exe"
    tvx_start_server "$E2E_PREFIX"
    trap 'tvx_stop_prefix "$E2E_PREFIX"; [ -n "${TVX_XVFB_PID:-}" ] && kill "$TVX_XVFB_PID" 2>/dev/null; true' EXIT
    tvx_ensure_display >/dev/null || skip "no display and no Xvfb"
}

# auto ARGS...: runs the automation client in the prefix; its stdout (without carriage returns,
# except for a screenshot) is the answer.
auto() {
    if [ "$1" = shot ]; then
        (cd "$E2E_PREFIX/drive_c" && WINEPREFIX="$E2E_PREFIX" wine "$AUTO_EXE" "$@" 2>/dev/null)
        return
    fi
    local rc
    (cd "$E2E_PREFIX/drive_c" && WINEPREFIX="$E2E_PREFIX" wine "$AUTO_EXE" "$@" 2>/dev/null) | sed -u 's/\r$//'
    rc=${PIPESTATUS[0]}
    return "$rc"
}

# start_tool: starts the tool in the background; TOOL_PID is the wine launcher's pid, whose exit
# status is the tool's exit code.
start_tool() {
    (cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" wine 'C:\tarvex\tarvex.exe') \
        >/dev/null 2>&1 &
    TOOL_PID=$!
}

# wait_tool_exit SECONDS: waits for the tool to end; TOOL_EXIT holds its exit code (124: still running).
wait_tool_exit() {
    local limit=$1 i
    for i in $(seq 1 $((limit * 10))); do
        if ! kill -0 "$TOOL_PID" 2>/dev/null; then
            wait "$TOOL_PID"
            TOOL_EXIT=$?
            return 0
        fi
        sleep 0.1
    done
    TOOL_EXIT=124
    return 1
}

# wait_main: waits for the main window; skips when the product does not show it at all yet.
wait_main() {
    auto wait "$MAIN_SEL" 20000 >/dev/null || fail "the main window did not appear"
}

# visibility ID...: prints "ID:visible,enabled" for each control of the main window, one per line.
visibility() {
    local id line
    for id in "$@"; do
        line=$(auto state "$MAIN_SEL" "$id") || line="missing"
        local v e
        v=$(sed -n 's/.*visible=\([01]\).*/\1/p' <<<"$line")
        e=$(sed -n 's/.*enabled=\([01]\).*/\1/p' <<<"$line")
        echo "$id:${v:-?},${e:-?}"
    done
}

# expect_layout NAME "ID:V,E ...": compares the main window's controls with a layout table.
expect_layout() {
    local name=$1 want=$2 ids=() item got
    for item in $want; do ids+=("${item%%:*}"); done
    got=$(visibility "${ids[@]}" | tr '\n' ' ')
    if [ "${got% }" != "$want" ]; then
        echo "layout $name:"
        echo "  want: $want"
        echo "  got:  ${got% }"
        return 1
    fi
}

# Layout tables: id:visible,enabled. Scan 1052, download 1053, close box 1054, cancel 2, OK 1070,
# links 1077 (download) and 1080 (utilities), lines 1074 (title), 1072 (notice), 1075 (product),
# 1076 (searching), status frame 1064, current file 1065, list frame 1034, result list 1055,
# family label 1068, logo 1085.
LAYOUT_READY_NO_PRODUCT='1052:1,1 1053:1,1 1054:1,1 2:0,1 1070:0,0 1077:1,1 1080:1,1 1074:1,1 1072:1,1 1075:0,1 1076:0,1 1064:0,1 1065:0,1 1034:0,1 1055:0,1 1068:1,1 1085:1,1'
LAYOUT_READY_PRODUCT='1052:1,1 1053:1,0 1054:1,1 2:0,1 1070:0,0 1077:0,0 1080:1,1 1074:1,1 1072:1,1 1075:1,1 1076:0,1 1064:0,1 1065:0,1 1034:0,1 1055:0,1 1068:1,1 1085:1,1'
LAYOUT_SCANNING='1052:1,0 2:1,1 1070:0,1 1077:0,0 1080:0,0 1074:0,1 1072:0,1 1075:0,1 1076:1,1 1064:1,1 1065:1,1 1034:1,1 1055:1,1 1068:1,1 1054:1,1'
LAYOUT_FINISHED='1052:1,0 2:0,1 1070:1,1 1077:0,0 1080:0,0 1074:0,1 1072:0,1 1075:0,1 1076:0,1 1064:1,1 1065:1,1 1034:1,1 1055:1,1 1068:1,1 1054:1,1'

# shot NAME SEL: saves a PNG of the window under $TVX_BUILD/screenshots.
shot() {
    local name=$1 sel=$2
    mkdir -p "$SHOTS"
    if auto shot "$sel" - >"$SHOTS/$name.bmp" && [ -s "$SHOTS/$name.bmp" ]; then
        convert "$SHOTS/$name.bmp" "$SHOTS/$name.png" 2>/dev/null && rm -f "$SHOTS/$name.bmp"
    fi
}

# answer SEL BUTTON: waits for a message dialog with SEL and presses a button (6 Yes, 7 No, 1 OK).
answer() {
    local sel=$1 button=$2
    auto wait "$sel" 20000 >/dev/null || fail "no message dialog $sel"
    auto click "$sel" "$button" >/dev/null || fail "could not press $button on $sel"
    auto gone "$sel" 10000 >/dev/null || fail "message dialog $sel stayed open"
}

# reg_has KEY VALUE: true when the value exists in the prefix's registry.
reg_has() {
    (cd "$E2E_PREFIX/drive_c" && WINEPREFIX="$E2E_PREFIX" wine reg query "$1" /v "$2" >/dev/null 2>&1)
}
RUN_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

# plant_infected WINPATH: writes an infected test file (a synthetic match of the signature table)
# at a Windows path inside the prefix's C: drive.
plant_infected() {
    local unix=$E2E_PREFIX/drive_c/${1#C:\\}
    unix=${unix//\\//}
    mkdir -p "$(dirname "$unix")"
    "$FIXTURE_TOOL" infected "$unix" >/dev/null || fail "make_fixture could not write $unix"
}

# unix_path WINPATH: the prefix's file for a C: path.
unix_path() {
    local unix=$E2E_PREFIX/drive_c/${1#C:\\}
    echo "${unix//\\//}"
}
