# Quiet runs on XP as a careless or hostile deployment script would start them: glued switches end
# with 6 and no window at any moment; an infected file that another program holds sharing nothing
# keeps the run from ending 0 and is named in the report; an /L: path too long to use and a full
# report whose .old name is taken still leave a record, with a line saying why. Then, beside a long
# quiet run: a refused copy writes nothing, a window copy with switches ends silently, and a report
# that a reader holds for 1 s or for 6 s loses no result line and no end line.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL"

version=winxp
e2e_prefix quiet-edges
tvx_set_version "$E2E_PREFIX" tarvex.exe "$version"
mkdir -p "$(unix_path "$E2E_PREFIX" 'C:\share')"
WINDOWS_LOG=$(unix_path "$E2E_PREFIX" 'C:\windows\Tarvex.log')

# text_of UNIXPATH: the file without CR, or nothing when it is not there.
text_of() {
    [ -e "$1" ] && tr -d '\r' <"$1"
}

# Glued switches are a bad command line of a windowless run: one line in the usual place.
for args in '/Q/R' '/QR' '/Q/L:C:\g.log' '-q/r /L:C:\share\glued.log'; do
    rm -f "$WINDOWS_LOG" "$(unix_path "$E2E_PREFIX" 'C:\share\glued.log')"
    quiet_run "$args"
    check "'$args': exit code" 6 "$QUIET_EXIT"
    bad=${args%% *}
    where=$WINDOWS_LOG
    [ "$bad" = "$args" ] || where=$(unix_path "$E2E_PREFIX" 'C:\share\glued.log')
    check "'$args': the report's one line" "1" \
        "$(text_of "$where" | grep -cxE "==== .*  $TITLE_PATTERN  bad command line at \"${bad//\\/\\\\}\": exit code 6")"
    check "'$args': lines in the report" "1" "$(text_of "$where" | wc -l)"
done
check "a report at the glued /L: path" "" "$(find "$E2E_PREFIX/drive_c" -maxdepth 1 -name g.log)"
echo "ok: glued switches end with 6, without a window"

# An infected file held open sharing nothing: not examined, so never a clean run.
REPORT='C:\share\PC1.log'
report_file=$(unix_path "$E2E_PREFIX" "$REPORT")
plant 2 'C:\inf\held.exe' >/dev/null
(cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" wine "$HOLDER_EXE" -none 'C:\inf\held.exe') \
    >"$TVX_TMP/holder.none" 2>&1 &
HOLDER_PID=$!
tvx_wait_for_file "$TVX_TMP/holder.none" 200 '^locked' || abort "the lock holder did not take the file: $(cat "$TVX_TMP/holder.none")"
quiet_run /Q "/L:$REPORT"
check "exit code with a file nobody can open" 4 "$QUIET_EXIT"
text_of "$report_file" >"$TVX_TMP/held.report"
grep -qE '^==== .*  End of scan  exit code 4  scanned [0-9]+, infected 0, removed 0, waiting for restart 0, not opened 1$' \
    "$TVX_TMP/held.report" || abort "end line: $(tail -n 1 "$TVX_TMP/held.report")"
check "the report names the file" "$(printf 'Files that could not be opened\t\t:  1\n\tC:\\inf\\held.exe')" \
    "$(grep -A1 '^Files that could not be opened' "$TVX_TMP/held.report")"
[ -e "$(unix_path "$E2E_PREFIX" 'C:\inf\held.exe')" ] || abort "the held file is gone"
kill "$HOLDER_PID" 2>/dev/null
wait "$HOLDER_PID" 2>/dev/null
quiet_run /Q "/L:$REPORT"
check "exit code once the file is let go" 1 "$QUIET_EXIT"
[ ! -e "$(unix_path "$E2E_PREFIX" 'C:\inf\held.exe')" ] || abort "the released file was not removed"
echo "ok: a file nobody can open ends the run with 4 and is named"

# An /L: path too long to use: the scan runs, the report goes to the usual place with its line.
long="C:\\share\\$(printf 'p%.0s' $(seq 1 300)).log"
rm -f "$WINDOWS_LOG"
quiet_run /Q "/L:$long"
check "exit code with an over-long /L: path" 0 "$QUIET_EXIT"
text_of "$WINDOWS_LOG" >"$TVX_TMP/long.report"
grep -qE '^==== .*  End of scan  exit code 0  ' "$TVX_TMP/long.report" || abort "no end line in the usual place"
grep -qxF "The report could not be written to ${long:0:259}...; it is written here instead." "$TVX_TMP/long.report" ||
    abort "no line about the over-long path: $(head -n 3 "$TVX_TMP/long.report")"
echo "ok: an over-long /L: path falls back to the usual place"

# A full report whose .old name is taken by a folder: one line says so, the record is appended.
full=$(unix_path "$E2E_PREFIX" 'C:\share\full.log')
/usr/bin/python3 -c 'import sys; open(sys.argv[1], "wb").write(b"filler line\r\n" * 80660)' "$full"
mkdir -p "$(unix_path "$E2E_PREFIX" 'C:\share\full.old.log')"
quiet_run /Q '/L:C:\share\full.log'
check "exit code with a blocked rotation" 0 "$QUIET_EXIT"
check "lines about the rotation" "1" \
    "$(text_of "$full" | grep -cE '^The report is over 1 MiB and could not be set aside as C:\\share\\full\.old\.log \(error [0-9]+\); this record is appended to it\.$')"
text_of "$full" | tail -n 1 | grep -qE '^==== .*  End of scan  exit code 0  ' || abort "no end line in the full report"
echo "ok: a blocked rotation writes its line"

# A long quiet run: 40 infected files spread over 40 folders of busy files on drive D.
busy=$TVX_TMP/quiet-edges-busy
plant_long_drive() {
    local i
    rm -rf "$busy"
    plant_busy_files "$busy" 16000
    for i in $(seq 1 40); do
        mkdir -p "$busy/folder$(printf '%03d' $(((i - 1) % 32)))/k$i"
        "$FIXTURE_TOOL" record 5 "$busy/folder$(printf '%03d' $(((i - 1) % 32)))/k$i/seed$i.exe" >/dev/null ||
            abort "fixture $i"
    done
}
ROW_NAME=$(row_name 5)
tvx_add_fixed_drive "$E2E_PREFIX" D "$busy"

# long_run REPORT: starts the long quiet run in the background (QUIET_PID) and waits for its start line.
long_run() {
    plant_long_drive
    (cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" wine 'C:\tarvex\tarvex.exe' /Q "/L:$1") \
        >/dev/null 2>&1 &
    QUIET_PID=$!
    tvx_wait_for_file "$(unix_path "$E2E_PREFIX" "$1")" 600 "$TITLE_PATTERN  Windows" || abort "no start line in $1"
}

# hold_report REPORT [MS]: a reader holds the report sharing reads only, for MS milliseconds (without
# MS until it is ended), while the run is still writing its record; READER_PID ends when it lets go.
hold_report() {
    (cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" wine "$HOLDER_EXE" ${2:+-for "$2"} "$1") \
        >"$TVX_TMP/holder.report" 2>&1 &
    READER_PID=$!
    tvx_wait_for_file "$TVX_TMP/holder.report" 200 '^locked' || abort "the reader did not open $1"
    text_of "$(unix_path "$E2E_PREFIX" "$1")" | grep -q 'End of scan' &&
        abort "the run ended before the reader held the report: the drive is not busy enough"
    kill -0 "$QUIET_PID" 2>/dev/null || abort "the run ended before the reader held the report"
}

# expect_whole REPORT: every result line and the end line once, in the report or in the fallback.
expect_whole() {
    local both i
    both=$(text_of "$(unix_path "$E2E_PREFIX" "$1")"; text_of "$WINDOWS_LOG")
    for i in $(seq 1 40); do
        [ "$(grep -cxF "D:\\folder$(printf '%03d' $(((i - 1) % 32)))\\k$i\\seed$i.exe     $ROW_NAME removed" <<<"$both")" = 1 ] ||
            abort "$1: the result line of seed$i.exe is missing or written twice"
    done
    check "$1: end lines" "1" "$(grep -cE '^==== .*  End of scan  exit code 1  ' <<<"$both")"
    check "$1: infected count" "1" "$(grep -cxF "$(printf 'Total files infected\t\t:  40')" <<<"$both")"
}

echo "--- a reader holds the report for 1 s"
rm -f "$WINDOWS_LOG"
long_run 'C:\share\mid1.log'
hold_report 'C:\share\mid1.log' 1000
wait "$READER_PID"
wait "$QUIET_PID"
check "exit code of the run held for 1 s" 1 "$?"
expect_whole 'C:\share\mid1.log'
check "lines in another place after a 1 s hold" "" "$(text_of "$WINDOWS_LOG")"
echo "ok: a 1 s hold loses no line"

echo "--- a reader holds the report for 6 s; meanwhile other copies start"
long_run 'C:\share\mid6.log'
hold_report 'C:\share\mid6.log'
held_since=$SECONDS
quiet_run /Q /Z '/L:C:\share\mid6.log'
check "exit code of a refused copy with a bad command line" 5 "$QUIET_EXIT"
quiet_run /X
check "exit code of a window copy with a bad switch during a quiet run" 0 "$QUIET_EXIT"
quiet_run '/?'
check "exit code of a window copy with /? during a quiet run" 0 "$QUIET_EXIT"
# At least 6 s, and until a result line had to go elsewhere: how many lines a slow (emulated) walk
# writes in 6 s is not known.
fell_back() { text_of "$WINDOWS_LOG" 2>/dev/null | grep -qF "     $ROW_NAME removed"; }
held_long_enough() { [ $((SECONDS - held_since)) -ge 6 ] && { fell_back || tvx_ended "$QUIET_PID"; }; }
tvx_poll 180 held_long_enough
fell_back || abort "no result line went to the fallback while the report was held"
kill -KILL "$READER_PID" 2>/dev/null
wait "$QUIET_PID"
check "exit code of the run held for 6 s" 1 "$?"
expect_whole 'C:\share\mid6.log'
check "bad command lines written by the refused copy" "0" \
    "$(cat "$(unix_path "$E2E_PREFIX" 'C:\share\mid6.log')" "$WINDOWS_LOG" 2>/dev/null | grep -c 'bad command line')"
text_of "$WINDOWS_LOG" >"$TVX_TMP/fallback"
check "the fallback's start line is the record's" "$(head -n 1 <(text_of "$(unix_path "$E2E_PREFIX" 'C:\share\mid6.log')"))" \
    "$(head -n 1 "$TVX_TMP/fallback")"
check "the fallback says why" 'The report could not be written to C:\share\mid6.log (in use by another program); the record goes on here.' \
    "$(sed -n 2p "$TVX_TMP/fallback")"
echo "lines of the record in the fallback: $(($(wc -l <"$TVX_TMP/fallback") - 2))"
echo "ok: a 6 s hold loses no line: the lines went to the Windows folder meanwhile, with its line"
rm -f "$E2E_PREFIX/dosdevices/d:"
exit $status
