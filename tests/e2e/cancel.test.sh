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
        text=$(auto text "$MAIN_SEL" 1065)
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
    'cancel-button|click 2|Tarvex Ver 1.0@1086'
    'close-box|click 1054|DialogBoxTitle@1086'
    'escape|key 27|Tarvex Ver 1.0@1086'
)
for variant in "${variants[@]}"; do
    IFS='|' read -r name press sel <<<"$variant"
    echo "--- $name"
    start_tool
    wait_main
    auto click "$MAIN_SEL" 1052 >/dev/null
    scanning_d

    auto "${press%% *}" "$MAIN_SEL" "${press#* }" >/dev/null
    auto wait "$sel" 20000 >/dev/null || abort "$name: no question $sel"
    if [ "$name" = cancel-button ]; then
        expect_layout scanning "$LAYOUT_SCANNING" || abort "$name: Scanning layout"
        [ "$(auto text "$MAIN_SEL" 1064)" = Scanning ] || abort "status frame caption"
        [ "$(auto text "$MAIN_SEL" 1076)" = "Searching for W32/KYR Trojan and its variants" ] ||
            abort "searching line: $(auto text "$MAIN_SEL" 1076)"
        shot scanning "$MAIN_SEL"
    fi
    answer_terminate "$name" "$sel" 7
    before=$(auto text "$MAIN_SEL" 1065)
    sleep 1
    after=$(auto text "$MAIN_SEL" 1065)
    [ "$before" != "$after" ] || abort "$name: the walk stopped after No ($before)"
    if [ "$name" = cancel-button ]; then
        expect_layout still-scanning "$LAYOUT_SCANNING" || abort "$name: No changed the layout"
    fi

    auto "${press%% *}" "$MAIN_SEL" "${press#* }" >/dev/null
    answer_terminate "$name" "$sel" 6
    wait_finished 30
    [ "$(auto text "$MAIN_SEL" 1065)" = "Scanning terminated" ] ||
        abort "$name: status line $(auto text "$MAIN_SEL" 1065)"
    expect_layout finished "$LAYOUT_FINISHED" || abort "$name: Finished layout"
    auto list "$MAIN_SEL" 1055 | tail -n 5 | head -n 2 | tr '\n' '|' | grep -qxF 'Scanning statistics|------------------------------|' ||
        abort "$name: no statistics after the stop"
    auto click "$MAIN_SEL" 1070 >/dev/null
    wait_tool_exit 15 || abort "$name: OK did not close the window"
done
echo "cancel scenarios passed"
