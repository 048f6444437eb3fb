# Timer messages arriving while the scan runs (its walk dispatches every message): neither the
# scan's own timer number nor another starts a second scan inside the first. The run ends once,
# with one block of statistics.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE"
e2e_prefix stray-timer
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
add_busy_drive D 8000

start_tool
wait_main
auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
for i in $(seq 1 40); do
    [[ "$(auto text "$MAIN_SEL" "$IDC_CURRENT_FILE")" == [C-Z]:* ]] && break
    sleep 0.25
done
for id in 100 7 100 1; do
    auto timer "$MAIN_SEL" "$id" >/dev/null
    sleep 0.2
done
auto state "$MAIN_SEL" "$IDC_SEARCHING_LINE" | grep -q 'visible=1' || abort "the scan ended before the timer messages were all sent"
wait_finished 120
auto list "$MAIN_SEL" "$IDC_RESULT_LIST" >"$TVX_TMP/stray.lines"
check "statistics blocks" "1" "$(grep -c '^Scanning statistics$' "$TVX_TMP/stray.lines")"
check "status line" "Scanning completed" "$(auto text "$MAIN_SEL" "$IDC_CURRENT_FILE")"
echo "stray timer scenario passed"
