# Quiet runs (/Q) as an administrator's deployment system starts them, on Windows 98, XP and 7:
# no window of the process at any moment (the automation client starts the tool and watches every
# top-level window until it ends), the exit code of each outcome, what is removed, and the report at
# /L: in a folder that stands in for a share, ending with the outcome. Then, on XP: a find in
# memory does not end the run, a quiet run beside a window copy ends with 5, and a window copy
# started during a quiet run ends silently.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL"

SHARE='C:\share'
REPORT="$SHARE\\PC1.log"

# last_end_line: the report's last end line, without CR.
last_end_line() {
    grep -a '  End of scan' "$(unix_path "$E2E_PREFIX" "$REPORT")" | tail -n 1 | tr -d '\r'
}

# last_record: the report's last record (from its last start line), without CR.
last_record() {
    tr -d '\r' <"$(unix_path "$E2E_PREFIX" "$REPORT")" | awk -v start="  $TITLE  Windows" '/^==== / && index($0, start) { r = "" } { r = r $0 "\n" } END { printf "%s", r }'
}

# expect_end CODE INFECTED REMOVED WAITING: the last record's end line.
expect_end() {
    local got
    got=$(last_end_line)
    [[ "$got" =~ ^====\ .*\ \ End\ of\ scan\ \ exit\ code\ $1\ \ scanned\ [0-9]+,\ infected\ $2,\ removed\ $3,\ waiting\ for\ restart\ $4$ ]] ||
        abort "$version: end line '$got'"
}

# XP comes last: the scenarios after the loop go on in its prefix.
for version in win98 win7 winxp; do
    [ -z "${E2E_PREFIX:-}" ] || tvx_stop_prefix "$E2E_PREFIX"
    e2e_prefix "quiet-$version"
    tvx_set_version "$E2E_PREFIX" tarvex.exe "$version"
    mkdir -p "$(unix_path "$E2E_PREFIX" "$SHARE")"

    quiet_run /Q "/L:$REPORT"
    check "$version: exit code of a clean machine" 0 "$QUIET_EXIT"
    expect_end 0 0 0 0
    [ ! -e "$(unix_path "$E2E_PREFIX" 'C:\windows\Tarvex.log')" ] || abort "$version: the report went to the Windows folder too"

    plant 1 'C:\infected\plain.exe' >/dev/null
    plant 5 'C:\windows\system\mssys.exe' >/dev/null
    tvx_reg "$E2E_PREFIX" add "$RUN_KEY" /v MsSys /t REG_SZ /d mssys.exe /f || abort "reg add"
    quiet_run -q "/l:\"$REPORT\""
    check "$version: exit code of removing everything" 1 "$QUIET_EXIT"
    expect_end 1 2 2 0
    [ ! -e "$(unix_path "$E2E_PREFIX" 'C:\infected\plain.exe')" ] && [ ! -e "$(unix_path "$E2E_PREFIX" 'C:\windows\system\mssys.exe')" ] ||
        abort "$version: an infected file is still there"
    ! reg_has "$RUN_KEY" MsSys || abort "$version: the Run value is still there"
    grep -aq 'System Registry     W32/KYR.Trojan removed' "$(unix_path "$E2E_PREFIX" "$REPORT")" ||
        abort "$version: the report lacks the registry line"

    plant 2 'C:\locked\held.exe' >/dev/null
    hold_file 'C:\locked\held.exe'
    quiet_run "/L:$REPORT" /Q
    check "$version: exit code of a deletion at restart" 2 "$QUIET_EXIT"
    expect_end 2 1 0 1
    [ -e "$(unix_path "$E2E_PREFIX" 'C:\locked\held.exe')" ] || abort "$version: the held file is gone already"
    last_record | grep -qx "Answer: no restart, the quiet run's default" ||
        abort "$version: the report lacks the restart's default answer"
    kill "$HOLDER_PID" 2>/dev/null

    quiet_run /Q /X "/L:$REPORT"
    check "$version: exit code of a bad command line" 6 "$QUIET_EXIT"
    tail -n 1 "$(unix_path "$E2E_PREFIX" "$REPORT")" | tr -d '\r' |
        grep -qE "^==== .*  $TITLE_PATTERN  bad command line at \"/X\": exit code 6\$" ||
        abort "$version: no bad-command-line line in the report"
    echo "ok: $version quiet runs ended with 0, 1, 2 and 6"
done

# XP: a program found in memory is ended and removed, and the run goes on to the drives.
version=winxp
agent='C:\agent\kyragent.exe'
plant_program "$agent" >/dev/null
start_program "$agent"
plant 1 'C:\infected\other.exe' >/dev/null
quiet_run /Q "/L:$REPORT"
# 2 when the ended process refused the second termination and no service of its name stopped: the
# find then waits for a restart, which the quiet run does not make.
case $QUIET_EXIT in
1) ;;
2) last_record | grep -qx "Answer: no restart, the quiet run's default" ||
       abort "a find in memory ended with 2 without a restart question" ;;
*) abort "a find in memory ended with $QUIET_EXIT" ;;
esac
last_record | grep -qx 'Found in memory: the quiet run goes on to walk the drives' ||
    abort "the report does not say the run went on after the find in memory"
[ ! -e "$(unix_path "$E2E_PREFIX" "$agent")" ] || abort "the infected program's file is still there"
[ ! -e "$(unix_path "$E2E_PREFIX" 'C:\infected\other.exe')" ] || abort "the drives were not walked after the find in memory"
grep -aq 'System Memory    W32/KYR.Trojan removed' "$(unix_path "$E2E_PREFIX" "$REPORT")" || abort "no memory line in the report"
echo "ok: the quiet run goes on after a find in memory"

# A window copy is open: the quiet run does not run beside it.
start_tool
wait_main
quiet_run /Q "/L:$REPORT"
check "exit code of a quiet run beside a window copy" 5 "$QUIET_EXIT"
auto close "$MAIN_SEL" >/dev/null
wait_tool_exit 60 || abort "the window copy did not close"
echo "ok: beside a window copy a quiet run ends with 5"

# A quiet run works on a busy drive: a window copy started meanwhile ends silently.
add_busy_drive D 20000
(cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" wine 'C:\tarvex\tarvex.exe' /Q "/L:$REPORT") \
    >/dev/null 2>&1 &
quiet_pid=$!
# Its start line is among the report's last lines (the records before it have one too).
quiet_started() { grep -aqF "$TITLE  Windows" <(tail -n 3 "$(unix_path "$E2E_PREFIX" "$REPORT")"); }
tvx_poll 60 quiet_started || abort "the quiet run on the busy drive did not start"
start_tool
wait_tool_exit 60 || abort "a window copy started during a quiet run kept running"
kill -0 "$quiet_pid" 2>/dev/null || abort "the quiet run ended before the window copy was started"
check "main windows during the quiet run" 0 "$(auto count "$MAIN_SEL")"
wait "$quiet_pid"
quiet_exit=$?
check "exit code of the busy quiet run" 0 "$quiet_exit"
echo "ok: a window copy started during a quiet run ends silently"
rm -f "$E2E_PREFIX/dosdevices/d:"
# The window mode: /? shows the switches in the message dialog and ends with 0; an unknown switch
# shows the same text and ends with 6.
for row in '/?|0' '-Z|6'; do
    IFS='|' read -r switch code <<<"$row"
    (cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" wine 'C:\tarvex\tarvex.exe' "$switch") \
        >/dev/null 2>&1 &
    TOOL_PID=$!
    auto wait "$QUESTION_SEL" 60000 >/dev/null || abort "$switch: no message dialog"
    auto text "$QUESTION_SEL" $IDC_MSG_TEXT | head -n 1 | grep -qx 'Usage: tarvex.exe \[/Q\] \[/R\] \[/L:PATH\] \[/?\]' ||
        abort "$switch: message text: $(auto text "$QUESTION_SEL" $IDC_MSG_TEXT)"
    check "$switch: main windows" 0 "$(auto count "$MAIN_SEL")"
    auto click "$QUESTION_SEL" $IDC_MSG_SINGLE_OK >/dev/null
    wait_tool_exit 60 || abort "$switch: the tool did not end after OK"
    check "$switch: exit code" "$code" "$TOOL_EXIT"
done
echo "ok: /? and an unknown switch in the window mode"

# /R: a held file, and the quiet run restarts Windows (here the prefix's Wine session, which ends
# every program of the session and carries out the deletion at restart).
plant 2 'C:\locked\held.exe' >/dev/null
hold_file 'C:\locked\held.exe'
(cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" wine 'C:\tarvex\tarvex.exe' /Q /R "/L:$REPORT") \
    >/dev/null 2>&1 &
TOOL_PID=$!
wait_tool_exit 120 || abort "the quiet run with /R kept running"
expect_restarted 'C:\locked\held.exe'
last_record | grep -qx 'Answer: restart without asking, as the command line says' ||
    abort "the report lacks the restart switch's answer"
expect_end 1 1 0 1
echo "ok: /R restarts and the held file is gone"
echo "quiet scenario passed"
