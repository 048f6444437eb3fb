# The result list during a scan with many finds: it is emptied when the 151st line arrives, and the
# statistics, which come after the last find, never empty it.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE" "$FIXTURE_TOOL" "$ROWS_TOOL"
e2e_prefix many
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp

# Infected files in the run, lines the list holds at the end, of which file lines.
cases=(
    '150|156|150'
    '151|7|1'
    '165|21|15'
)
for row in "${cases[@]}"; do
    IFS='|' read -r files want_lines want_file_lines <<<"$row"
    echo "--- $files infected files"
    name=$(plant 5 'C:\many\seed.exe')
    for i in $(seq 2 "$files"); do
        cp "$(unix_path "$E2E_PREFIX" 'C:\many\seed.exe')" "$(unix_path "$E2E_PREFIX" "C:\\many\\file$i.exe")"
    done
    start_tool
    wait_main
    auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
    wait_finished 120
    auto list "$MAIN_SEL" "$IDC_RESULT_LIST" >"$TVX_TMP/many.lines"
    check "$files files: lines in the list" "$want_lines" "$(wc -l <"$TVX_TMP/many.lines")"
    got_file_lines=$(grep -cE "^C:\\\\many\\\\(seed|file[0-9]+)\\.exe     $name removed\$" "$TVX_TMP/many.lines")
    check "$files files: file lines" "$want_file_lines" "$got_file_lines"
    tail -n 2 "$TVX_TMP/many.lines" | tr '\n' '|' |
        grep -qxF "Total files infected		:  $files|Total files removed		:  $files|" || abort "$files files: statistics"
    check "$files files: files left in C:\many" "" "$(ls "$(unix_path "$E2E_PREFIX" 'C:\many')")"
    auto click "$MAIN_SEL" "$IDC_MAIN_OK" >/dev/null
    wait_tool_exit 60 || abort "OK did not close the window"
done
echo "many-lines scenarios passed"
