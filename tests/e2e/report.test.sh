# The scan report, read back from the prefix's disk as a user would open it: C:\windows\Tarvex.log,
# as Windows 98 and as Windows XP. A scan of 160 infected files and a held one keeps every result
# line (the window shows only the last), the statistics, what the walk passed over, the final
# status, the restart question and its answer; a second scan appends; on XP a find in memory,
# which ends the program, still leaves a whole record; a report over 1 MiB is set aside once; a
# Windows folder the report cannot be written to sends it to the temporary folder, and when no
# folder takes it the scan and the window are unchanged.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL"

HELD='C:\locked\held.exe'
QUESTION_LINE="Question: ${RESTART_QUESTION//$'\n'/ }"

# report_text FILE OUT: checks that every line of the report ends in CR LF; OUT gets it without them.
report_text() {
    local lines crlf
    lines=$(awk 'END { print NR }' "$1")
    crlf=$(grep -c $'\r$' "$1")
    [ "$lines" = "$crlf" ] && [ "$(tail -c 2 "$1" | od -An -c | tr -d ' ')" = '\r\n' ] ||
        abort "$1: $lines lines, $crlf end in CR LF"
    tr -d '\r' <"$1" >"$2"
}

# record N FILE: the Nth record of a report (from its start line to its end line).
record() {
    awk -v n="$1" -v start="  $TITLE  " '/^==== / && index($0, start) { r++ } r == n { print } r == n && /^==== .*  End of scan/ { exit }' "$2"
}

# scan_and_close [ANSWER]: one scan from the Scan button; a restart question is answered ANSWER;
# on 9x the box about the held file's process is closed. Leaves the window's lines in $TVX_TMP/window.
scan_and_close() {
    local answer=${1:-}
    start_tool
    wait_main
    auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
    if [ -n "$answer" ]; then
        if [ "$version" = win98 ]; then
            auto wait "$HELD" 120000 >/dev/null || abort "no box about the held file's process"
            auto close "$HELD" >/dev/null
        fi
        answer_when_asked "$QUESTION_SEL" "$answer" 120 "$RESTART_QUESTION"
    fi
    wait_finished 120
    auto list "$MAIN_SEL" "$IDC_RESULT_LIST" >"$TVX_TMP/window"
    auto click "$MAIN_SEL" "$IDC_MAIN_OK" >/dev/null
    wait_tool_exit 60 || abort "OK did not close the window"
}

# Lines of the statistics of a scan with infections (the last six result lines).
STATS_RE=$'^ $|^Scanning statistics$|^-{30}$|^Total files (scanned|infected|removed)\t\t:  [0-9]+$'
SKIP_SECTION_RE=$'^(Paths too long|Names without an 8-bit spelling|Folder links not entered|Folders that could not be listed|Offline files not opened|Folders below the depth bound|Names ending in a dot or a space)\t\t:  [0-9]+$'

many_files() {  # 160 infected files under C:\many and the held one; prints the detection name
    local name i
    name=$(plant 5 'C:\many\seed.exe')
    for i in $(seq 2 160); do
        cp "$(unix_path "$E2E_PREFIX" 'C:\many\seed.exe')" "$(unix_path "$E2E_PREFIX" "C:\\many\\file$i.exe")"
    done
    echo "$name"
}

scenario_version() {  # VERSION "PLATFORM CODES" "WINDOWS VERSION PREFIX"
    version=$1
    local codes=$2 windows=$3 log name held_name
    echo "--- $version"
    e2e_prefix "report-$version"
    tvx_set_version "$E2E_PREFIX" tarvex.exe "$version"
    log=$E2E_PREFIX/drive_c/windows/Tarvex.log
    name=$(many_files)
    held_name=$(plant 2 "$HELD")
    hold_file "$HELD"
    scan_and_close "$IDC_MSG_NO"

    report_text "$log" "$TVX_TMP/report"
    check "$version: start and end lines" "2" "$(grep -c '^==== ' "$TVX_TMP/report")"
    head -n 1 "$TVX_TMP/report" | grep -qE "^==== [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}  $TITLE_PATTERN  $windows.*  $codes\$" ||
        abort "$version: start line: $(head -n 1 "$TVX_TMP/report")"
    # The result lines: everything between the start line and the passed-over section.
    awk 'NR > 1 && /^Entries passed over by the walk$/ { exit } NR > 1 { print }' "$TVX_TMP/report" >"$TVX_TMP/results"
    check "$version: 'removed' lines in the report" "160" "$(grep -cE "^C:\\\\many\\\\(seed|file[0-9]+)\\.exe     $name removed\$" "$TVX_TMP/results")"
    grep -qxF "$HELD     $held_name Unable to remove" "$TVX_TMP/results" || abort "$version: no 'Unable to remove' line"
    tail -n 6 "$TVX_TMP/results" | grep -cE "$STATS_RE" | grep -qx 6 || abort "$version: statistics"
    grep -qxF "Total files infected		:  161" "$TVX_TMP/results" || abort "$version: infected count"
    # The window emptied its list at the 151st line: it shows the report's last lines, and only those.
    [ "$(wc -l <"$TVX_TMP/window")" -lt 150 ] || abort "$version: the window was not emptied"
    tail -n "$(wc -l <"$TVX_TMP/window")" "$TVX_TMP/results" | diff -u - "$TVX_TMP/window" ||
        abort "$version: the window's lines are not the report's last ones"
    check "$version: result lines, 161 + 6" "167" "$(wc -l <"$TVX_TMP/results")"
    # After the result lines: the passed-over counts, the final status, the question, the answer, the end.
    sed -n '/^Entries passed over by the walk$/,$p' "$TVX_TMP/report" >"$TVX_TMP/tail"
    check "$version: passed-over counts" "7" "$(grep -cE "$SKIP_SECTION_RE" "$TVX_TMP/tail")"
    tail -n 4 "$TVX_TMP/tail" >"$TVX_TMP/tail4"
    printf '%s\n' "Scanning completed" "$QUESTION_LINE" "Answer: No" | diff -u - <(head -n 3 "$TVX_TMP/tail4") ||
        abort "$version: status, question and answer"
    tail -n 1 "$TVX_TMP/tail4" |
        grep -qE '^==== .*  End of scan  window run, a quiet run would end with 2  scanned [0-9]+, infected 161, removed 160, waiting for restart 1$' ||
        abort "$version: end line: $(tail -n 1 "$TVX_TMP/tail4")"

    # A second scan appends a record and leaves the first as it was.
    cp "$log" "$TVX_TMP/first.log"
    kill "$HOLDER_PID" 2>/dev/null
    wait "$HOLDER_PID" 2>/dev/null
    scan_and_close
    cmp -n "$(stat -c %s "$TVX_TMP/first.log")" "$TVX_TMP/first.log" "$log" || abort "$version: the first record changed"
    report_text "$log" "$TVX_TMP/report"
    record 2 "$TVX_TMP/report" >"$TVX_TMP/second"
    grep -qxF "$HELD     $held_name removed" "$TVX_TMP/second" || abort "$version: second record: $(cat "$TVX_TMP/second")"
    ! grep -q '^Question: ' "$TVX_TMP/second" || abort "$version: second record asks to restart"
    tail -n 1 "$TVX_TMP/second" |
        grep -qE '^==== .*  End of scan  window run, a quiet run would end with 1  scanned [0-9]+, infected 1, removed 1, waiting for restart 0$' ||
        abort "$version: second record's end: $(tail -n 1 "$TVX_TMP/second")"
    check "$version: start and end lines of two records" "4" "$(grep -c '^==== ' "$TVX_TMP/report")"
}

scenario_version win98 'platform code 4, NT version code 0' 'Windows 4\.10 build [0-9]+'
tvx_stop_prefix "$E2E_PREFIX"
scenario_version winxp 'platform code 5, NT version code 6' 'Windows 5\.1 build 2600'
log=$E2E_PREFIX/drive_c/windows/Tarvex.log

echo "--- winxp: find in memory"
agent='C:\agent\kyragent.exe'
agent_name=$(plant_program "$agent")
start_program "$agent"
start_tool
wait_main
auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
# When the program's process refused the second termination the tool asks about a restart first.
asked=0
for _ in $(seq 1 60); do
    kill -0 "$TOOL_PID" 2>/dev/null || break
    if auto wait "$QUESTION_SEL" 500 >/dev/null; then
        auto click "$QUESTION_SEL" "$IDC_MSG_CANCEL" >/dev/null
        asked=1
        break
    fi
done
wait_tool_exit 60 || abort "the tool did not end after the find in memory"
report_text "$log" "$TVX_TMP/report"
record 3 "$TVX_TMP/report" >"$TVX_TMP/third"
printf '%s\n' "System Memory    W32/KYR.Trojan removed" "$agent     W32/KYR.Trojan removed" |
    diff -u - <(sed -n '2,3p' "$TVX_TMP/third") || abort "memory find: lines"
if [ "$asked" = 1 ]; then
    sed -n '4p' "$TVX_TMP/third" | grep -q '^Question: W32/KYR.Trojan found in memory! .* Restart the computer now?$' &&
        sed -n '5p' "$TVX_TMP/third" | grep -qx 'Answer: Cancel' || abort "memory find: question and answer"
fi
[ "$(wc -l <"$TVX_TMP/third")" = $((4 + 2 * asked)) ] || abort "memory find: record: $(cat "$TVX_TMP/third")"
# The drives were not walked: a quiet run would have called this scan incomplete.
tail -n 1 "$TVX_TMP/third" |
    grep -qE '^==== .*  End of scan: the program ends after the find in memory  window run, a quiet run would end with 4  scanned [0-9]+, infected 1, removed 1, waiting for restart 0$' ||
    abort "memory find: end line: $(tail -n 1 "$TVX_TMP/third")"
[ -n "$agent_name" ] || abort "no detection name for the program"
# The record's lines are fixed: the command that undoes the scan follows its end line.
third_id=$(head -n 1 "$TVX_TMP/third" | grep -o '  Scan ID [0-9-]*' | awk '{ print $3 }')
grep -A1 -F "$(tail -n 1 "$TVX_TMP/third")" "$TVX_TMP/report" | tail -n 1 |
    grep -qE "^==== .*  Undo: tarvex.exe /UNDO:$third_id puts back what this scan removed$" ||
    abort "memory find: no undo line after the record"

echo "--- winxp: a report over 1 MiB is set aside once"
old=$E2E_PREFIX/drive_c/windows/Tarvex.old.log
echo "an older set-aside report" >"$old"
/usr/bin/python3 -c 'import sys; open(sys.argv[1], "ab").write(b"filler line\r\n" * 80660)' "$log"
[ "$(stat -c %s "$log")" -gt 1048576 ] || abort "the padded report is not over 1 MiB"
cp "$log" "$TVX_TMP/full.log"
scan_and_close
cmp "$TVX_TMP/full.log" "$old" || abort "Tarvex.old.log is not the full report"
report_text "$log" "$TVX_TMP/report"
[ "$(grep -c '^==== ' "$TVX_TMP/report")" = 2 ] && head -n 1 "$TVX_TMP/report" | grep -q "^==== .*$TITLE_PATTERN" ||
    abort "the new report does not hold just the new record"
scan_and_close
cmp "$TVX_TMP/full.log" "$old" || abort "the report was set aside a second time"
report_text "$log" "$TVX_TMP/report"
check "start and end lines after the rotation" "4" "$(grep -c '^==== ' "$TVX_TMP/report")"

echo "--- winxp: the Windows folder does not take the report"
# Running as root, file modes do not stop the writes: a folder in the report's place does.
mv "$log" "$TVX_TMP/windows.log"
mkdir "$log"
rm -f "$(find "$E2E_PREFIX/drive_c/users" -name Tarvex.log)"
plant 1 'C:\infected\plain.exe' >/dev/null
scan_and_close
temp_log=$(find "$E2E_PREFIX/drive_c/users" -name Tarvex.log -type f)
[ -n "$temp_log" ] || abort "no report in the temporary folder"
report_text "$temp_log" "$TVX_TMP/report"
check "start and end lines in the temporary folder's report" "2" "$(grep -c '^==== ' "$TVX_TMP/report")"
grep -q '^C:\\infected\\plain\.exe     .* removed$' "$TVX_TMP/report" || abort "the temporary folder's report lacks the line"
cp "$TVX_TMP/window" "$TVX_TMP/window.reported"

echo "--- winxp: no folder takes the report"
mv "$temp_log" "$TVX_TMP/temp.log"
mkdir "$temp_log"
plant 1 'C:\infected\plain.exe' >/dev/null
scan_and_close
# The same lines as with a report, but for the count of files (the report files are not there).
diff -u <(grep -v '^Total files scanned' "$TVX_TMP/window.reported") <(grep -v '^Total files scanned' "$TVX_TMP/window") ||
    abort "the window differs when the report cannot be written"
check "reports written anywhere" "" "$(find "$E2E_PREFIX/drive_c" -name Tarvex.log -type f)"
echo "report scenarios passed"
