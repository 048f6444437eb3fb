# The Windows Event Log, as an office's log collection sees it: on XP, the real exe in a quiet run
# with finds (a removed file, an autostart value, a held file, a value kept because it now starts
# another program), in a window run and on a clean machine writes every event with its strings;
# the source key names the exe; every ID's text comes out of the exe's message table; /NOEVENTS
# writes none; /UNDO writes one event for each object put back or not; Windows 98 writes none.
#
# Wine's ReportEventA is a stub: it writes nothing to any log, but prints the event's type and ID
# (a fixme line of the advapi channel) and each insertion string (the eventlog channel: trace for
# information, warn for a warning, err for an error) on the program's stderr. The events are read
# from there.
source "$(dirname "$0")/lib.sh"
TEXTS_EXE=$TVX_BUILD/win/tests/scan/event_texts.exe
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL" "$TEXTS_EXE"

SOURCE_KEY='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Tarvex'
REPORT='C:\share\PC1.log'
RUN_SERVICES_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices'

# events_of LOG: the events in a Wine debug log, one a line: "ID TYPE STRING|STRING|...".
events_of() {
    /usr/bin/python3 - "$1" <<'PY'
import re, sys
events = []
for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    line = line.rstrip("\r\n")
    head = re.search(r":fixme:advapi:ReportEventA \(\w+,0x(\w+),0x\w+,0x(\w+),", line)
    if head:
        events.append([int(head.group(2), 16), int(head.group(1), 16), []])
        continue
    text = re.search(r":(?:trace|warn|err):eventlog:ReportEventW L\"(.*)\"$", line)
    if text and events:
        events[-1][2].append(re.sub(r"\\(.)", r"\1", text.group(1)))
for event_id, event_type, strings in events:
    print(event_id, event_type, "|".join(strings))
PY
}

# quiet_logged LOG ARGS...: a quiet run of the real exe with the eventlog channel on; its stderr in LOG.
quiet_logged() {
    local log=$1; shift
    (cd "$E2E_PREFIX/drive_c" && WINEPREFIX="$E2E_PREFIX" WINEDEBUG=+eventlog \
        wine 'C:\tarvex\tarvex.exe' "$@" >/dev/null 2>"$log")
    QUIET_EXIT=$?
}

# expect_events LABEL WANTED GOT: the events as sets (a walk's order is the file system's); the first
# must be the start and the last the end.
expect_events() {
    local label=$1 wanted=$2 got=$3
    [ "$(head -n 1 <<<"$got" | cut -d' ' -f1)" = 100 ] || fail "$label: the first event is not the start: $got"
    [[ "$(tail -n 1 <<<"$got" | cut -d' ' -f1)" == 19[01] ]] || fail "$label: the last event is not the end: $got"
    if [ "$(sort <<<"$wanted")" = "$(sort <<<"$got")" ]; then
        ok "$label: $(wc -l <<<"$got") events"
    else
        fail "$label: events differ (wanted, then got)"
        diff <(sort <<<"$wanted") <(sort <<<"$got") | sed 's/^/    /'
    fi
}

# scan_id: the ID the report's last start line names.
scan_id() {
    tr -d '\r' <"$(unix_path "$E2E_PREFIX" "$1")" | grep -o '  Scan ID [0-9-]*  ' | tail -n 1 | awk '{ print $3 }'
}

version=winxp
e2e_prefix events-xp
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
mkdir -p "$(unix_path "$E2E_PREFIX" 'C:\share')"
XP_WINDOWS='Windows 5.1 build 2600 Service Pack 3 (platform id 2)'

# ---- The message table, read as a viewer reads it ---------------------------------------------
cp "$TEXTS_EXE" "$E2E_PREFIX/drive_c/event_texts.exe"
texts=$(cd "$E2E_PREFIX/drive_c" && WINEPREFIX="$E2E_PREFIX" wine 'C:\event_texts.exe' 'C:\tarvex\tarvex.exe' \
        100 110 111 112 113 115 120 130 190 191 140 141 2>/dev/null | tr -d '\r')
# The strings each event carries, by ID: the five every event has, and the start's and end's own.
for row in '100 1 2 6 7 8 9' '110 1 2 3 4 5' '111 1 2 3 4 5' '112 1 2 3 4 5' '113 1 2 3 4 5' '115 1 2 3 4 5' \
           '120 1 2 3 4 5' '130 1 2 3 5' '140 1 2 3 4 5' '141 1 2 3 4 5' '190 1 2 5 6 7 8 9 10 11 12 13' '191 1 2 5 6 7 8 9 10 11 12 13'; do
    read -r id inserts <<<"$row"
    text=$(awk -v id="$id" '$1 == id { sub(/^[0-9]+ /, ""); print }' <<<"$texts")
    case_label="text of $id"
    [ -n "$text" ] && [[ "$text" != none* ]] || { fail "no text: $(grep "^$id " <<<"$texts")"; continue; }
    for n in $inserts; do
        [[ "$text" == *"<$n>"* ]] || fail "no %$n in: $text"
    done
done
case_label=""
expect "text of 110" "110 Tarvex <1>, scan <2>: <4> found in <3>. The file was removed (<5>)." "$(grep '^110 ' <<<"$texts")"
expect "text of 141" "141 Tarvex <1>, undo of scan <2>: <3>, removed as <4>, could not be put back (<5>)." \
    "$(grep '^141 ' <<<"$texts")"

# ---- A quiet run with finds ------------------------------------------------------------------
name=$(plant 1 'C:\first.exe')
plant 1 'C:\sub\second.exe' >/dev/null
held_name=$(plant 2 'C:\locked\held.exe')
tvx_reg "$E2E_PREFIX" add "$RUN_KEY" /v First /t REG_SZ /d 'C:\first.exe' /f || abort "reg add"
# The same value name in RunServices starts a clean program: at each find after the first (C:\ is
# walked before its folders), the remembered value is found there again and kept.
tvx_reg "$E2E_PREFIX" add "$RUN_SERVICES_KEY" /v First /t REG_SZ /d 'C:\clean\other.exe' /f || abort "reg add"
hold_file 'C:\locked\held.exe'
quiet_logged "$TVX_TMP/finds.err" /Q "/L:$REPORT"
check "quiet run with finds: exit code" 2 "$QUIET_EXIT"
kill "$HOLDER_PID" 2>/dev/null
wait "$HOLDER_PID" 2>/dev/null
id=$(scan_id "$REPORT")
[[ "$id" =~ ^[0-9]{8}-[0-9]{6}(-[0-9]+)?$ ]] || abort "no scan ID in the report's start line: '$id'"
end=$(grep -o 'scanned [0-9]*' "$(unix_path "$E2E_PREFIX" "$REPORT")" | tail -n 1 | cut -d' ' -f2)
expect_events "quiet run with finds" "100 4 1.0|$id|||scan started|quiet run|$XP_WINDOWS|32-bit Windows|$REPORT
120 2 1.0|$id|Run\\First|W32/KYR.Trojan|removed
110 2 1.0|$id|C:\\first.exe|$name|removed
130 4 1.0|$id|RunServices\\First|$name|kept: it now starts another program
130 4 1.0|$id|RunServices\\First|$held_name|kept: it now starts another program
110 2 1.0|$id|C:\\sub\\second.exe|$name|removed
111 2 1.0|$id|C:\\locked\\held.exe|$held_name|Unable to remove
190 2 1.0|$id|||scan completed|exit code 2|$end|3|2|1|0|0|$REPORT" "$(events_of "$TVX_TMP/finds.err")"
expect "source key: the message file" "    EventMessageFile    REG_EXPAND_SZ    C:\\tarvex\\tarvex.exe" \
    "$(reg_query "$SOURCE_KEY" EventMessageFile | grep EventMessageFile)"
expect "source key: the types" "    TypesSupported    REG_DWORD    0x7" "$(reg_query "$SOURCE_KEY" TypesSupported | grep TypesSupported)"
# The events are one more receiver: the report is what it always was.
! grep -aq 'Event Log' "$(unix_path "$E2E_PREFIX" "$REPORT")" || fail "the report speaks of the Event Log"

# ---- A window run: the held file, free now, is removed ------------------------------------------
(cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" WINEDEBUG=+eventlog wine 'C:\tarvex\tarvex.exe') \
    >/dev/null 2>"$TVX_TMP/window.err" &
TOOL_PID=$!
wait_main
auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
wait_finished 240
auto click "$MAIN_SEL" "$IDC_MAIN_OK" >/dev/null
wait_tool_exit 60 || abort "OK did not close the window"
id=$(scan_id 'C:\windows\Tarvex.log')
end=$(grep -ao 'scanned [0-9]*' "$(unix_path "$E2E_PREFIX" 'C:\windows\Tarvex.log')" | tail -n 1 | cut -d' ' -f2)
expect_events "window run" "100 4 1.0|$id|||scan started|window run|$XP_WINDOWS|32-bit Windows|C:\\windows\\Tarvex.log
110 2 1.0|$id|C:\\locked\\held.exe|$held_name|removed
190 2 1.0|$id|||scan completed|a quiet run would end with 1|$end|1|1|0|0|0|C:\\windows\\Tarvex.log" \
    "$(events_of "$TVX_TMP/window.err")"

# ---- A clean machine, with and without /NOEVENTS -------------------------------------------------
quiet_logged "$TVX_TMP/clean.err" /Q "/L:$REPORT"
check "clean machine: exit code" 0 "$QUIET_EXIT"
id=$(scan_id "$REPORT")
end=$(grep -ao 'scanned [0-9]*' "$(unix_path "$E2E_PREFIX" "$REPORT")" | tail -n 1 | cut -d' ' -f2)
expect_events "clean machine" "100 4 1.0|$id|||scan started|quiet run|$XP_WINDOWS|32-bit Windows|$REPORT
190 4 1.0|$id|||scan completed|exit code 0|$end|0|0|0|0|0|$REPORT" "$(events_of "$TVX_TMP/clean.err")"

tvx_reg "$E2E_PREFIX" delete "$SOURCE_KEY" /f
plant 1 'C:\again.exe' >/dev/null
quiet_logged "$TVX_TMP/noevents.err" /Q /NOEVENTS "/L:$REPORT"
check "/NOEVENTS: exit code" 1 "$QUIET_EXIT"
expect "/NOEVENTS: events" "" "$(events_of "$TVX_TMP/noevents.err")"
reg_has "$SOURCE_KEY" EventMessageFile && fail "/NOEVENTS: the source key was written"
grep -aq 'C:\\again.exe     .* removed' "$(unix_path "$E2E_PREFIX" "$REPORT")" || fail "/NOEVENTS: the find is not in the report"

# ---- The undo: one event for each object put back, or not ----------------------------------------
undone=$(scan_id "$REPORT")
quiet_logged "$TVX_TMP/undo.err" /Q /UNDO "/L:$REPORT"
check "undo: exit code" 0 "$QUIET_EXIT"
expect "undo: events" "140 4 1.0|$undone|C:\\again.exe|$name|put back" "$(events_of "$TVX_TMP/undo.err")"
# The window run's scan removed the held file; a file there now is left, and said so.
window_id=$(scan_id 'C:\windows\Tarvex.log')
printf 'a newer file' >"$(unix_path "$E2E_PREFIX" 'C:\locked\held.exe')"
quiet_logged "$TVX_TMP/undo_left.err" /Q /UNDO "/L:$REPORT"
check "undo that leaves a file: exit code" 3 "$QUIET_EXIT"
expect "undo that leaves a file: events" \
    "141 1 1.0|$window_id|C:\\locked\\held.exe|$held_name|not put back: a file of that name is there, and is left as it is" \
    "$(events_of "$TVX_TMP/undo_left.err")"
tvx_reg "$E2E_PREFIX" delete "$SOURCE_KEY" /f
quiet_logged "$TVX_TMP/undo_noevents.err" /Q /UNDO /NOEVENTS "/L:$REPORT"
expect "/NOEVENTS undo: events" "" "$(events_of "$TVX_TMP/undo_noevents.err")"
reg_has "$SOURCE_KEY" EventMessageFile && fail "/NOEVENTS undo: the source key was written"
grep -aq 'Undo of scan .*: put back' "$(unix_path "$E2E_PREFIX" "$REPORT")" || fail "/NOEVENTS undo: no undo in the report"

# ---- Windows 98 has no Event Log ---------------------------------------------------------------
version=win98
tvx_set_version "$E2E_PREFIX" tarvex.exe win98
plant 1 'C:\again.exe' >/dev/null
quiet_logged "$TVX_TMP/win98.err" /Q "/L:$REPORT"
check "win98: exit code" 1 "$QUIET_EXIT"
expect "win98: events" "" "$(events_of "$TVX_TMP/win98.err")"
grep -q 'RegisterEventSource' "$TVX_TMP/win98.err" && fail "win98: the event source was opened"
reg_has "$SOURCE_KEY" EventMessageFile && fail "win98: the source key was written"
exit $status
