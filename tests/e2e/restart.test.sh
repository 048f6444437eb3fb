# The restart question answered Yes: Windows (here the prefix's Wine session) restarts, which ends
# every program of the session and carries out the deletion that had to wait for the restart. The
# scan report's record is whole before the restart.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL"
e2e_prefix restart
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
name=$(plant 2 'C:\locked\held.exe')
hold_file 'C:\locked\held.exe'

start_tool
wait_main
auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
auto wait "$QUESTION_SEL" 60000 >/dev/null || abort "no restart question"
auto list "$MAIN_SEL" "$IDC_RESULT_LIST" | grep -qxF "C:\\locked\\held.exe     $name Unable to remove" ||
    abort "no 'Unable to remove' line for the held file"
answer_when_asked "$QUESTION_SEL" "$IDC_MSG_YES" 10 "$RESTART_QUESTION"

wait_tool_exit 60 || abort "the tool kept running after the restart"
expect_restarted 'C:\locked\held.exe'
# The report's record was closed before the restart began: the answer, then the end line, last.
# The step after the restart may append its own lines meanwhile; they are no part of the record.
record=$(grep -av " after the restart: " "$E2E_PREFIX/drive_c/windows/Tarvex.log")
tail -n 2 <<<"$record" | tr -d '\r' | head -n 1 | grep -qx 'Answer: Yes' &&
    tail -n 1 <<<"$record" |
        grep -qE $'^==== .*  End of scan  window run, a quiet run would end with 1  scanned [0-9]+, infected 1, removed 0, waiting for restart 1\r$' ||
    abort "the report does not end with the answer Yes and the end line"
echo "restart scenario passed"
