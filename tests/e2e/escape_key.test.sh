# The Escape key pressed for real through X (XTEST, not posted messages) during a scan: it asks
# "Terminate the Scan now?" once, Escape answers No and the question does not come back for the
# key's release, and the walk goes on. Enter answers Yes in the Escape question and in the Cancel
# button's question alike: both stop the scan.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE"
command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed"
e2e_prefix escape-key
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
add_busy_drive D 20000

scanning_d() {
    local i text
    for i in $(seq 1 120); do
        text=$(auto text "$MAIN_SEL" $IDC_CURRENT_FILE)
        [[ "$text" == D:* ]] && return 0
        sleep 0.25
    done
    abort "the walk never reached drive D (last text '$text')"
}

# x_windows: the visible X windows captioned with the product title, one id a line.
x_windows() { xdotool search --onlyvisible --name "^$TITLE\$" 2>/dev/null | sort; }

# press_on XID KEY: gives XID the input focus and presses KEY as a keyboard would.
press_on() {
    xdotool windowfocus --sync "$1" >/dev/null 2>&1 || xdotool windowfocus "$1" >/dev/null 2>&1 ||
        abort "could not focus X window $1"
    sleep 0.3
    xdotool key --clearmodifiers "$2" || abort "xdotool could not press $2"
}

# question_window MAIN_XID: waits for the question and prints its X window (the other titled one).
question_window() {
    auto wait "$QUESTION_SEL" 60000 >/dev/null || abort "no question"
    # Its finding goes to the log, not into the window id this prints.
    expect "question text" "$TERMINATE_QUESTION" "$(auto text "$QUESTION_SEL" $IDC_MSG_TEXT)" >&2
    local i id
    for i in $(seq 1 50); do
        id=$(x_windows | grep -vx "$1" | tail -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    abort "the question has no X window"
}

walk_goes_on() {
    local before
    before=$(auto text "$MAIN_SEL" $IDC_CURRENT_FILE)
    tvx_poll 10 text_is_not "$before" && ok "$1: the walk goes on" || fail "$1: the walk stopped ($before)"
}

terminated() {
    wait_finished 120
    expect "$1: status line" "Scanning terminated" "$(auto text "$MAIN_SEL" $IDC_CURRENT_FILE)"
    auto click "$MAIN_SEL" $IDC_MAIN_OK >/dev/null
    wait_tool_exit 60 || abort "$1: OK did not close the window"
}

start_scan() {
    start_tool
    wait_main
    main_xid=$(x_windows | tail -n 1)
    [ -n "$main_xid" ] || abort "the main window has no X window"
    auto click "$MAIN_SEL" $IDC_SCAN >/dev/null
    scanning_d
}

# 1. Escape asks; Escape answers No; the release asks nothing; the walk goes on. Then Enter in the
#    Cancel button's question stops the scan.
start_scan
press_on "$main_xid" Escape
q=$(question_window "$main_xid")
ok "Escape asked"
press_on "$q" Escape
auto gone "$QUESTION_SEL" 60000 >/dev/null || abort "Escape did not answer the question"
if auto wait "$QUESTION_SEL" 2000 >/dev/null; then
    fail "the question came back after Escape answered it"
    auto click "$QUESTION_SEL" $IDC_MSG_NO >/dev/null
else
    ok "the question did not come back"
fi
walk_goes_on "Escape, Escape"
auto click "$MAIN_SEL" $IDC_MAIN_CANCEL >/dev/null
q=$(question_window "$main_xid")
press_on "$q" Return
terminated "Enter in the Cancel button's question"

# 2. Enter in the Escape question stops the scan too.
start_scan
press_on "$main_xid" Escape
q=$(question_window "$main_xid")
press_on "$q" Return
terminated "Enter in the Escape question"
echo "escape key scenarios: status $status"
exit $status
