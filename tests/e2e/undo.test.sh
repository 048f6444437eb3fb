# /UNDO with the real exe, as reported by Windows XP: a file and its Run value removed and kept come
# back byte for byte with their attributes and types after "/Q /UNDO"; a second undo changes
# nothing; a later undo never writes over a file that is there again; a changed record is refused;
# the kept copy is not found by a later scan, and no file holds the removed bytes as they were;
# bad /UNDO command lines end with 6; in the window mode one message says what was put back.
source "$(dirname "$0")/lib.sh"
PLANT_EXE=$TVX_BUILD/win/tests/disinfect/quarantine_plant.exe
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL" "$PLANT_EXE"

version=winxp
e2e_prefix undo
tvx_set_version "$E2E_PREFIX" tarvex.exe "$version"
cp "$PLANT_EXE" "$E2E_PREFIX/drive_c/tarvex/"
WINDOWS_LOG=$(unix_path "$E2E_PREFIX" 'C:\windows\Tarvex.log')
RUN_KEY='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run'
QUARANTINE=$(unix_path "$E2E_PREFIX" 'C:\windows\Tarvex\Quarantine')

wine_in() {
    (cd "$E2E_PREFIX/drive_c" && WINEPREFIX="$E2E_PREFIX" wine "$@")
}

# keep_and_remove SCANID ARGS...: what a removal that keeps does, through the plant helper.
keep_and_remove() {
    wine_in 'C:\tarvex\quarantine_plant.exe' "$@" >"$TVX_TMP/plant.out" 2>&1 ||
        abort "the plant helper failed: $(cat "$TVX_TMP/plant.out")"
}

reg_value() {  # KEY NAME: "TYPE DATA" as reg query shows it
    wine_in reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; sub(/^ +/, ""); print }'
}

# A planted infection, hidden and read-only, started by a Run value of an expandable type.
name=$(plant 2 'C:\inf\seed.exe')
seed=$(unix_path "$E2E_PREFIX" 'C:\inf\seed.exe')
cp "$seed" "$TVX_TMP/seed.original"
wine_in attrib +r +h 'C:\inf\seed.exe' >/dev/null 2>&1
wine_in reg add "$RUN_KEY" /v seed /t REG_EXPAND_SZ /d '%SystemDrive%\inf\seed.exe' /f >/dev/null 2>&1
wanted_value=$(reg_value "$RUN_KEY" seed)
[ -n "$wanted_value" ] || abort "the Run value was not planted"
attributes_before=$(wine_in attrib 'C:\inf\seed.exe' 2>/dev/null | tr -d '\r')

keep_and_remove 20261210-100738 file 'C:\inf\seed.exe' value "$RUN_KEY" seed
[ ! -e "$seed" ] || abort "the plant helper left the file"
check "the Run value is gone" "" "$(reg_value "$RUN_KEY" seed)"

# A later scan finds nothing: the kept copy is passed over, and no file holds the removed bytes.
quiet_run /Q
check "a scan after the removal" 0 "$QUIET_EXIT"
no_file_holds "$TVX_TMP/seed.original"
echo "ok: the kept copy is not found again, and no file holds the removed bytes"

rm -f "$WINDOWS_LOG"
quiet_run /Q /UNDO
check "exit code of /Q /UNDO" 0 "$QUIET_EXIT"
cmp -s "$TVX_TMP/seed.original" "$seed" || abort "the file did not come back byte for byte"
check "the file's attributes" "$attributes_before" "$(wine_in attrib 'C:\inf\seed.exe' 2>/dev/null | tr -d '\r')"
check "the Run value, type and data" "$wanted_value" "$(reg_value "$RUN_KEY" seed)"
tr -d '\r' <"$WINDOWS_LOG" >"$TVX_TMP/undo.report"
grep -qE "^==== .*  $TITLE_PATTERN  Undo of scan 20261210-100738: put back 2, not put back 0$" "$TVX_TMP/undo.report" ||
    abort "no undo record: $(cat "$TVX_TMP/undo.report")"
grep -qE "^==== .*  $TITLE_PATTERN  Undo: exit code 0$" "$TVX_TMP/undo.report" || abort "no exit line"
echo "ok: /Q /UNDO put back the file and its Run value"

quiet_run /Q /UNDO
check "a second /Q /UNDO" 0 "$QUIET_EXIT"
quiet_run /Q /UNDO:20261210-100738
check "a second undo by ID" 0 "$QUIET_EXIT"
grep -q "Undo of scan 20261210-100738: undone before; nothing is changed" <(tr -d '\r' <"$WINDOWS_LOG") ||
    abort "no line for the second undo"
echo "ok: a second undo changes nothing"

# Removed again, then a new file of the same name: the undo leaves it and ends with 3.
keep_and_remove 20261211-080000 file 'C:\inf\seed.exe'
printf 'a newer file' >"$seed"
quiet_run /Q /UNDO
check "an undo that would write over a file" 3 "$QUIET_EXIT"
check "the newer file" "a newer file" "$(cat "$seed")"
grep -q 'seed.exe.not put back: a file of that name is there, and is left as it is' <(tr -d '\r' <"$WINDOWS_LOG") ||
    abort "no line for the file left as it is"
echo "ok: a later undo never writes over a file"

# A record changed to climb out of its folder: the whole scan is refused.
rm -f "$seed"
plant 2 'C:\inf\other.exe' >/dev/null
keep_and_remove 20261212-080000 file 'C:\inf\other.exe'
records="$QUARANTINE/20261212-080000/records.txt"
sed -i 's/^path=C:\\inf\\/path=C:\\inf\\..\\..\\/' "$records"
quiet_run /Q /UNDO:20261212-080000
check "an undo of a changed record" 3 "$QUIET_EXIT"
[ ! -e "$(unix_path "$E2E_PREFIX" 'C:\inf\other.exe')" ] || abort "a refused record was acted on"
grep -q 'Undo of scan 20261212-080000 refused: a path that is not absolute' <(tr -d '\r' <"$WINDOWS_LOG") ||
    abort "no refusal line"
echo "ok: a changed record is refused"

for args in '/Q /UNDO /R' '/Q /UNDO:..\x' '/Q /UNDO /UNDO' '/Q /UNDO:'; do
    quiet_run "$args"
    check "'$args': exit code" 6 "$QUIET_EXIT"
done
echo "ok: bad /UNDO command lines end with 6"

# In the window mode: one message at the end, and nothing else on the screen.
plant 2 'C:\inf\window.exe' >/dev/null
keep_and_remove 20261213-080000 file 'C:\inf\window.exe'
(cd "$E2E_PREFIX/drive_c" && exec env WINEPREFIX="$E2E_PREFIX" wine 'C:\tarvex\tarvex.exe' /UNDO:20261213-080000) \
    >/dev/null 2>&1 &
TOOL_PID=$!
auto wait "$QUESTION_SEL" 60000 >/dev/null || abort "window /UNDO: no message dialog"
check "window /UNDO: the message" "Put back from the scan 20261213-080000: 1.|Not put back: 0." \
    "$(auto text "$QUESTION_SEL" $IDC_MSG_TEXT | tr -d '\r' | paste -sd'|')"
check "window /UNDO: main windows" 0 "$(auto count "$MAIN_SEL")"
auto click "$QUESTION_SEL" $IDC_MSG_SINGLE_OK >/dev/null
wait_tool_exit 60 || abort "window /UNDO: the tool did not end after OK"
check "window /UNDO: exit code" 0 "$TOOL_EXIT"
[ -e "$(unix_path "$E2E_PREFIX" 'C:\inf\window.exe')" ] || abort "window /UNDO: the file did not come back"
echo "ok: /UNDO in the window mode shows one message"
exit $status
