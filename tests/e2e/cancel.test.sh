# Stopping a running scan by the cancel button, the close box and the Escape key: each asks
# "Terminate the Scan now?" (the close box under the caption "DialogBoxTitle"); No lets the walk go
# on, Yes ends it with "Scanning terminated", the statistics and the Finished layout.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE"
e2e_prefix cancel
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
# About 15 s of walking, so that the scan is still running while the questions are answered.
add_busy_drive D 20000

# scanning_d: waits until the walk has reached drive D.
scanning_d() {
    local i text
    for i in $(seq 1 120); do
        text=$(auto text "$MAIN_SEL" "$IDC_CURRENT_FILE")
        [[ "$text" == D:* ]] && return 0
        sleep 0.25
    done
    abort "the walk never reached drive D (last text '$text')"
}

# answer_terminate VARIANT SEL ANSWER: answers the question. A key press is a key-down and a key-up;
# only the key-down asks, so after No the question must not come back for the key-up.
answer_terminate() {
    local variant=$1 sel=$2 button=$3
    answer_when_asked "$sel" "$button" 20 "$TERMINATE_QUESTION"
    if [ "$variant" = escape ] && [ "$button" = 7 ] && auto wait "$sel" 1500 >/dev/null; then
        abort "$variant: the question came back after No"
    fi
}

# Variant: name, how it is pressed, the question's selector.
variants=(
    "cancel-button|click $IDC_MAIN_CANCEL|$QUESTION_SEL"
    "close-box|click $IDC_CLOSEBOX|DialogBoxTitle@$IDC_MSG_TEXT"
    "escape|key $VK_ESCAPE|$QUESTION_SEL"
)
for variant in "${variants[@]}"; do
    IFS='|' read -r name press sel <<<"$variant"
    echo "--- $name"
    start_tool
    wait_main
    auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
    scanning_d

    auto "${press%% *}" "$MAIN_SEL" "${press#* }" >/dev/null
    auto wait "$sel" 60000 >/dev/null || abort "$name: no question $sel"
    if [ "$name" = cancel-button ]; then
        expect_layout scanning "$LAYOUT_SCANNING" || abort "$name: Scanning layout"
        check "status frame caption" "Scanning" "$(auto text "$MAIN_SEL" "$IDC_STATUS_FRAME")"
        check "searching line" "Searching for W32/KYR Trojan and its variants" "$(auto text "$MAIN_SEL" "$IDC_SEARCHING_LINE")"
        shot scanning "$MAIN_SEL"
    fi
    answer_terminate "$name" "$sel" "$IDC_MSG_NO"
    before=$(auto text "$MAIN_SEL" "$IDC_CURRENT_FILE")
    tvx_poll 10 text_is_not "$before" || abort "$name: the walk stopped after No ($before)"
    if [ "$name" = cancel-button ]; then
        expect_layout still-scanning "$LAYOUT_SCANNING" || abort "$name: No changed the layout"
    fi

    auto "${press%% *}" "$MAIN_SEL" "${press#* }" >/dev/null
    answer_terminate "$name" "$sel" "$IDC_MSG_YES"
    wait_finished 120
    check "$name: status line" "Scanning terminated" "$(auto text "$MAIN_SEL" "$IDC_CURRENT_FILE")"
    expect_layout finished "$LAYOUT_FINISHED" || abort "$name: Finished layout"
    auto list "$MAIN_SEL" "$IDC_RESULT_LIST" | tail -n 5 | head -n 2 | tr '\n' '|' | grep -qxF 'Scanning statistics|------------------------------|' ||
        abort "$name: no statistics after the stop"
    auto click "$MAIN_SEL" "$IDC_MAIN_OK" >/dev/null
    wait_tool_exit 60 || abort "$name: OK did not close the window"
done
echo "cancel scenarios passed"
