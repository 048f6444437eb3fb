# Shared steps of the end-to-end scenarios: a sandbox prefix with the tool in it, the tool started as
# a user would start it, and the automation client to press its buttons and read its windows.
# Source this file from a *.test.sh; it sets E2E_PREFIX and stops that prefix when the script ends.

set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../lib/test_env.sh"

source "$TVX_ROOT/tests/lib/tool_paths.sh"
SHOTS=$TVX_BUILD/screenshots


# e2e_require FILE...: skips the scenario when a program it drives has not been built.
e2e_require() {
    local f
    for f in "$@"; do
        [ -e "$f" ] || skip "not built: ${f#"$TVX_BUILD"/}"
    done
}

# e2e_prefix NAME: a fresh sandbox prefix with the tool copied to C:\tarvex\tarvex.exe.
e2e_prefix() {
    xdpyinfo >/dev/null 2>&1 || skip "no display and no Xvfb"
    tvx_own_prefix "$1" later
    E2E_PREFIX=$prefix
    AUTO_PREFIX=$E2E_PREFIX
    mkdir -p "$E2E_PREFIX/drive_c/tarvex"
    cp "$TOOL_EXE" "$E2E_PREFIX/drive_c/tarvex/tarvex.exe"
    tvx_start_server "$E2E_PREFIX"
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

# text_is_not TEXT: the current-file line shows something else now (the walk has moved on).
text_is_not() {
    [ "$(auto text "$MAIN_SEL" "$IDC_CURRENT_FILE")" != "$1" ]
}

# wait_main: waits for the main window; skips when the product does not show it at all yet.
wait_main() {
    auto wait "$MAIN_SEL" 60000 >/dev/null || abort "the main window did not appear"
}

# expect_layout NAME "ID:V,E ...": compares the main window's controls with a layout table, read in
# one run of the automation client.
expect_layout() {
    local name=$1 want=$2 ids=() item got
    for item in $want; do ids+=("${item%%:*}"); done
    got=$(auto layout "$MAIN_SEL" "${ids[@]}")
    if [ "$got" != "$want" ]; then
        echo "layout $name:"
        echo "  want: $want"
        echo "  got:  $got"
        return 1
    fi
}

# Layout tables: id:visible,enabled, with the ids of ui/resource.h.
LAYOUT_READY_NO_PRODUCT="$IDC_SCAN:1,1 $IDC_DOWNLOAD:1,1 $IDC_CLOSEBOX:1,1 $IDC_MAIN_CANCEL:0,1 $IDC_MAIN_OK:0,0 $IDC_DOWNLOAD_LINK:1,1 $IDC_UTILITY_LINK:1,1 $IDC_TITLE_LINE:1,1 $IDC_NOTICE_LINE:1,1 $IDC_PRODUCT_LINE:0,1 $IDC_SEARCHING_LINE:0,1 $IDC_STATUS_FRAME:0,1 $IDC_CURRENT_FILE:0,1 $IDC_LIST_FRAME:0,1 $IDC_RESULT_LIST:0,1 $IDC_FAMILY_LABEL:1,1 $IDC_LOGO:1,1"
LAYOUT_READY_PRODUCT="$IDC_SCAN:1,1 $IDC_DOWNLOAD:1,0 $IDC_CLOSEBOX:1,1 $IDC_MAIN_CANCEL:0,1 $IDC_MAIN_OK:0,0 $IDC_DOWNLOAD_LINK:0,0 $IDC_UTILITY_LINK:1,1 $IDC_TITLE_LINE:1,1 $IDC_NOTICE_LINE:1,1 $IDC_PRODUCT_LINE:1,1 $IDC_SEARCHING_LINE:0,1 $IDC_STATUS_FRAME:0,1 $IDC_CURRENT_FILE:0,1 $IDC_LIST_FRAME:0,1 $IDC_RESULT_LIST:0,1 $IDC_FAMILY_LABEL:1,1 $IDC_LOGO:1,1"
LAYOUT_SCANNING="$IDC_SCAN:1,0 $IDC_MAIN_CANCEL:1,1 $IDC_MAIN_OK:0,1 $IDC_DOWNLOAD_LINK:0,0 $IDC_UTILITY_LINK:0,0 $IDC_TITLE_LINE:0,1 $IDC_NOTICE_LINE:0,1 $IDC_PRODUCT_LINE:0,1 $IDC_SEARCHING_LINE:1,1 $IDC_STATUS_FRAME:1,1 $IDC_CURRENT_FILE:1,1 $IDC_LIST_FRAME:1,1 $IDC_RESULT_LIST:1,1 $IDC_FAMILY_LABEL:1,1 $IDC_CLOSEBOX:1,1"
LAYOUT_FINISHED="$IDC_SCAN:1,0 $IDC_MAIN_CANCEL:0,1 $IDC_MAIN_OK:1,1 $IDC_DOWNLOAD_LINK:0,0 $IDC_UTILITY_LINK:0,0 $IDC_TITLE_LINE:0,1 $IDC_NOTICE_LINE:0,1 $IDC_PRODUCT_LINE:0,1 $IDC_SEARCHING_LINE:0,1 $IDC_STATUS_FRAME:1,1 $IDC_CURRENT_FILE:1,1 $IDC_LIST_FRAME:1,1 $IDC_RESULT_LIST:1,1 $IDC_FAMILY_LABEL:1,1 $IDC_CLOSEBOX:1,1"

# shot NAME SEL: saves a PNG of the window under $TVX_BUILD/screenshots.
shot() {
    local name=$1 sel=$2
    mkdir -p "$SHOTS"
    if auto shot "$sel" - >"$SHOTS/$name.bmp" && [ -s "$SHOTS/$name.bmp" ]; then
        shot_to_png "$SHOTS/$name.bmp"
    else
        echo "screenshot $name not taken"
    fi
}

# answer_when_asked SEL BUTTON SECONDS [TEXT]: waits for a message dialog, checks its text, presses BUTTON.
answer_when_asked() {
    local sel=$1 button=$2 limit=$3 want=${4:-} got
    auto wait "$sel" $((limit * 1000)) >/dev/null || abort "no message dialog $sel within $limit s"
    if [ -n "$want" ]; then
        got=$(auto text "$sel" "$IDC_MSG_TEXT")
        check "message text" "$want" "$got"
    fi
    auto click "$sel" "$button" >/dev/null || abort "could not press $button on $sel"
    auto gone "$sel" 60000 >/dev/null || abort "message dialog $sel stayed open"
}
RESTART_QUESTION=$'The system has to be restarted to remove the virus completely from your system. \n\n Restart now?'
TERMINATE_QUESTION='Terminate the Scan now?'

# wait_finished SECONDS: waits for the Finished layout's OK button and hidden searching line.
wait_finished() {
    auto waitlayout "$MAIN_SEL" $(($1 * 1000)) "$IDC_MAIN_OK:1,*" "$IDC_SEARCHING_LINE:0,*" >/dev/null ||
        abort "the scan did not finish within $1 s"
}

# hold_file WINPATH: starts the lock holder on a file of the prefix; returns once it holds it.
hold_file() {
    local out=$TVX_TMP/holder.$$.$RANDOM
    start_lock_holder "$E2E_PREFIX" "$1" "$out" || abort "the lock holder did not take $1: $(cat "$out")"
}

# expect_restarted WINPATH: after a restart of the prefix's session, the held file's lock holder has
# ended and the file at WINPATH, removed after the restart, is gone. Windows starts the step after
# the restart (a RunOnce entry) at the next logon, once every program of the old session has ended;
# Wine's own restart starts it while they still run, so the step finds the file held and registers
# itself again. A second start of the session, with every program ended, stands for that logon.
expect_restarted() {
    local file log=$E2E_PREFIX/drive_c/windows/Tarvex.log
    file=$(unix_path "$E2E_PREFIX" "$1")
    tvx_poll 60 tvx_ended "$HOLDER_PID" || abort "the restart left the holding program running"
    tvx_poll 90 grep -qF "after the restart: $1     " "$log" || abort "the step after the restart said nothing of $1"
    if [ -e "$file" ]; then
        tvx_stop_prefix "$E2E_PREFIX"
        WINEPREFIX="$E2E_PREFIX" wineboot -r >/dev/null 2>&1
        WINEPREFIX="$E2E_PREFIX" wineserver -w
    fi
    tvx_poll 60 tvx_gone "$file" || abort "the held file survived the restart"
    tr -d '\r' <"$log" | grep -F "after the restart: $1     " | grep -q " removed$" ||
        abort "the report does not say $1 was removed after the restart"
}

# reg_query KEY VALUE: prints the value as reg.exe shows it.
reg_query() {
    (cd "$E2E_PREFIX/drive_c" && WINEPREFIX="$E2E_PREFIX" wine reg query "$1" /v "$2" 2>/dev/null) | tr -d '\r'
}

# add_busy_drive LETTER FILES: maps a fixed drive holding FILES busy files (plant_busy_files), so that
# a scan is still walking it while a scenario presses buttons.
add_busy_drive() {
    local letter=$1 count=$2 dir=$TVX_TMP/$(basename "$E2E_PREFIX")-drive-$1
    plant_busy_files "$dir" "$count"
    tvx_add_fixed_drive "$E2E_PREFIX" "$letter" "$dir"
}

# reg_has KEY VALUE: true when the value exists in the prefix's registry.
reg_has() {
    (cd "$E2E_PREFIX/drive_c" && WINEPREFIX="$E2E_PREFIX" wine reg query "$1" /v "$2" >/dev/null 2>&1)
}

# quiet_run ARGS...: runs the tool with ARGS under the automation client's watch; QUIET_EXIT is its
# exit code. Aborts when the process ever had a window.
quiet_run() {
    local out
    out=$(auto quietrun "C:\\tarvex\\tarvex.exe $*" 240000)
    QUIET_EXIT=$(sed -n 's/^exit //p' <<<"$out")
    grep -qx 'windows 0' <<<"$out" || abort "${version:+$version: }the quiet run '$*' had a window: $out"
    [ -n "$QUIET_EXIT" ] || abort "${version:+$version: }no exit code from '$*': $out"
}

# start_program WINPATH: starts a program planted by plant_program from C:\ and returns once it runs
# (it prints its "locked 0" line then), however slowly the 32-bit side starts; AGENT_PID is its
# launcher's pid.
start_program() {
    local out=$TVX_TMP/agent.$$.$RANDOM
    (cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" wine "$1") >"$out" 2>/dev/null &
    AGENT_PID=$!
    tvx_wait_for_file "$out" 600 '^locked' || abort "the infected program $1 did not start"
}

# plant ROW WINPATH: writes a file matching row ROW of the signature table at a C: path of the
# prefix; prints the row's detection name.
plant() {
    local row=$1 unix
    unix=$(unix_path "$E2E_PREFIX" "$2")
    mkdir -p "$(dirname "$unix")"
    "$FIXTURE_TOOL" record "$row" "$unix" >/dev/null || abort "make_fixture could not write $unix"
    row_name "$row"
}

# plant_program WINPATH: an infected copy of the lock holder (it runs: with no arguments it just
# waits) at a C: path of the prefix; prints the detection name.
plant_program() {
    local unix small
    unix=$(unix_path "$E2E_PREFIX" "$1")
    mkdir -p "$(dirname "$unix")"
    small=$TVX_TMP/lock_holder.stripped.exe
    # The debug information makes the program too long for every row; without it, it fits.
    i686-w64-mingw32-strip -o "$small" "$HOLDER_EXE" || abort "cannot strip the lock holder"
    "$FIXTURE_TOOL" pad "$small" "$unix" | awk -F'\t' '{ print $2 }'
    [ -s "$unix" ] || abort "make_fixture could not pad $unix"
}

# no_file_holds ORIGINAL: aborts when some file of the prefix's drive C: holds the bytes of the file
# ORIGINAL as they were: the whole file, or a telling stretch of it.
no_file_holds() {
    /usr/bin/python3 - "$1" "$E2E_PREFIX/drive_c" <<'PY' || abort "a file holds the removed bytes as they were"
import os, sys
original = open(sys.argv[1], "rb").read()
# The whole file, and every 32-byte stretch of it that is not mostly one byte (the signature's runs
# among them): the zero padding and headers of the fixture are in any program.
pieces = [original] + [original[i:i + 32] for i in range(0, len(original) - 32, 8)
                       if len(set(original[i:i + 32])) >= 12]
if len(pieces) < 2:
    sys.exit("no stretch of the original to look for")
for folder, _, files in os.walk(sys.argv[2]):
    for name in files:
        path = os.path.join(folder, name)
        try:
            data = open(path, "rb").read()
        except OSError:
            continue
        if any(piece in data for piece in pieces):
            print("found in", path)
            sys.exit(1)
PY
}
