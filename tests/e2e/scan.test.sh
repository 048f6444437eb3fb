# A whole scan pressed from the Scan button, on the NT family (Windows XP): infected files, a
# read-only one, one held open by another program, and the autostart values that start them. The
# exact result lines and statistics, what is left on disk and in the registry, and the restart
# question answered No: the window stays in its Finished layout.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$HOLDER_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL"
e2e_prefix scan
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp

# Files: row of the signature table, path, autostart value name (- none), its data.
plant_table=(
    '1|C:\infected\plain.exe|-|-'
    '2|C:\infected\readonly.exe|-|-'
    '5|C:\windows\system32\mssys.exe|MsSys|mssys.exe'
    '1|C:\Program Files\kyr\kyrview.exe|KyrView|"C:\Program Files\kyr\kyrview.exe" /tray'
    '2|C:\locked\held.exe|-|-'
)
expected=()
for row in "${plant_table[@]}"; do
    IFS='|' read -r sig path value data <<<"$row"
    name=$(plant "$sig" "$path")
    [ -n "$name" ] || abort "no detection name for row $sig"
    if [ "$path" = 'C:\locked\held.exe' ]; then
        expected+=("$path     $name Unable to remove")
    else
        expected+=("$path     $name removed")
    fi
    if [ "$value" != - ]; then
        tvx_reg "$E2E_PREFIX" add "$RUN_KEY" /v "$value" /t REG_SZ /d "$data" /f || abort "reg add $value"
        expected+=("System Registry     W32/KYR.Trojan removed")
    fi
done
chmod a-w "$(unix_path "$E2E_PREFIX" 'C:\infected\readonly.exe')"
tvx_reg "$E2E_PREFIX" add "$RUN_KEY" /v Keep /t REG_SZ /d 'C:\windows\notepad.exe' /f
# The walk also meets the report the scan begins in C:\windows.
files_before=$(($(find "$E2E_PREFIX/drive_c" -type f | wc -l) + 1))

hold_file 'C:\locked\held.exe'
start_tool
wait_main
auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
answer_when_asked "$QUESTION_SEL" "$IDC_MSG_NO" 120 "$RESTART_QUESTION"
wait_finished 120

auto list "$MAIN_SEL" "$IDC_RESULT_LIST" >"$TVX_TMP/scan.lines"
n=${#expected[@]}
# The file and registry lines come in the walk's order (the file system's); the statistics end it.
head -n -6 "$TVX_TMP/scan.lines" | sort >"$TVX_TMP/scan.files"
printf '%s\n' "${expected[@]}" | sort >"$TVX_TMP/scan.expected"
diff -u "$TVX_TMP/scan.expected" "$TVX_TMP/scan.files" || abort "result lines differ"
printf '%s\n' " " "Scanning statistics" "------------------------------" \
    "$(printf 'Total files scanned\t\t:  %d' "$files_before")" \
    "Total files infected		:  5" "Total files removed		:  4" >"$TVX_TMP/stats.expected"
tail -n 6 "$TVX_TMP/scan.lines" | diff -u "$TVX_TMP/stats.expected" - || abort "statistics differ"
check "lines in the list" $((n + 6)) "$(wc -l <"$TVX_TMP/scan.lines")"

check "status line" "Scanning completed" "$(auto text "$MAIN_SEL" "$IDC_CURRENT_FILE")"
check "status frame caption after the scan" "" "$(auto text "$MAIN_SEL" "$IDC_STATUS_FRAME")"
expect_layout finished "$LAYOUT_FINISHED" || abort "Finished layout"
shot finished "$MAIN_SEL"

for row in "${plant_table[@]}"; do
    IFS='|' read -r sig path value data <<<"$row"
    if [ "$path" = 'C:\locked\held.exe' ]; then
        [ -e "$(unix_path "$E2E_PREFIX" "$path")" ] || abort "the held file is gone already"
    else
        [ ! -e "$(unix_path "$E2E_PREFIX" "$path")" ] || abort "$path is still there"
    fi
    if [ "$value" != - ]; then
        ! reg_has "$RUN_KEY" "$value" || abort "autostart value $value is still there"
    fi
done
reg_has "$RUN_KEY" Keep || abort "an unrelated autostart value was removed"
# The held file waits in the tool's own folder for the step after the restart, which RunOnce starts.
cat "$E2E_PREFIX/drive_c/TarvexRestart/"*.txt 2>/dev/null | grep -qiF 'C:\locked\held.exe' &&
    reg_query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' 'Tarvex restart' | grep -qF '/FINISH' ||
    abort "the held file is not scheduled for removal at restart"

# Enter still does nothing; OK closes.
auto key "$MAIN_SEL" "$VK_RETURN" >/dev/null
sleep 0.5
kill -0 "$TOOL_PID" 2>/dev/null || abort "Enter closed the finished window"
auto click "$MAIN_SEL" "$IDC_MAIN_OK" >/dev/null
wait_tool_exit 60 || abort "OK did not close the window"
echo "scan scenario passed"
