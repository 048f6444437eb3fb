#!/usr/bin/env bash
# The demo: builds the tool, makes a sandbox Wine prefix with planted infections (autostart values,
# a read-only file, a file held open by another program and a running infected program), then scans
# it twice the way a user would, pressing the buttons through the automation client and printing
# every result line as it appears. Needs no display of its own (uses Xvfb when there is none).
#   bash tools/demo/demo.sh            (TVX_BUILD picks the build folder, default build/)
# Afterwards `bash tools/demo/open.sh` opens the tool on the same prefix for a person at a display.
source "$(dirname "$0")/common.sh"

demo_build
# The display comes first: the prefix's programs started while it is missing would have none.
tvx_ensure_display
say "Display $DISPLAY"
demo_make_prefix
# The tool reads its Windows version from Wine; Windows XP shows the NT-family behaviour.
tvx_set_version "$DEMO_PREFIX" tarvex.exe winxp

SHOTS=$TVX_BUILD/screenshots
mkdir -p "$SHOTS"
save_shot() {
    if auto shot "$MAIN_SEL" - >"$SHOTS/$1.bmp" && [ -s "$SHOTS/$1.bmp" ]; then
        echo "   $(shot_to_png "$SHOTS/$1.bmp")"
    else
        echo "   screenshot $1 not taken"
    fi
}

stop_all() {
    local pid
    for pid in "${WATCH_PID:-}" "${HOLDER_PID:-}" "${AGENT_PID:-}"; do
        [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    done
    tvx_stop_prefix "$DEMO_PREFIX"
    [ -z "${TVX_XVFB_PID:-}" ] || kill "$TVX_XVFB_PID" 2>/dev/null || true
}
trap stop_all EXIT

# run_tool [watch]: starts the tool and presses Scan; with "watch", prints the result list's lines
# as they appear.
run_tool() {
    demo_wine 'C:\tarvex\tarvex.exe' >/dev/null 2>&1 &
    TOOL_PID=$!
    auto wait "$MAIN_SEL" 30000 >/dev/null || { echo "the main window did not appear" >&2; exit 1; }
    if [ "${1:-}" = watch ]; then
        auto watch "$MAIN_SEL" "$IDC_RESULT_LIST" 600000 | sed -u 's/^/   | /' &
        WATCH_PID=$!
    else
        save_shot demo-ready
    fi
    echo "   pressing Scan"
    auto click "$MAIN_SEL" "$IDC_SCAN" >/dev/null
}

say "Starting the programs that the scan has to deal with"
demo_wine "$DEMO_RUNNING" >"$DEMO_PREFIX/agent.out" 2>/dev/null &
AGENT_PID=$!
# It prints its "locked 0" line once it runs; the memory scan must find it running.
tvx_wait_for_file "$DEMO_PREFIX/agent.out" 600 '^locked' || { echo "the infected program did not start" >&2; exit 1; }
demo_start_holder
echo "   running: $DEMO_RUNNING (infected), lock_holder.exe holding C:\\Temp\\locked\\update.exe"

say "First run. On the NT family a trojan found in memory ends the tool right after the memory scan:"
echo "   its process is terminated and its file removed, and no drive is walked in that run. The window"
echo "   closes before it answers another program again, so this run's lines cannot be read from here."
run_tool
if ! tvx_poll 120 tvx_ended "$TOOL_PID"; then
    echo "   the tool did not end after the memory scan" >&2
    exit 1
fi
wait "$TOOL_PID" && code=0 || code=$?
echo "   the tool ended with exit code $code"
if tvx_poll 60 tvx_ended "$AGENT_PID"; then
    echo "   the infected program was terminated"
else
    echo "   the infected program is still running" >&2
fi
[ -e "$(unix_path "$DEMO_PREFIX" "$DEMO_RUNNING")" ] && echo "   $DEMO_RUNNING is still on disk" >&2 ||
    echo "   $DEMO_RUNNING was removed"

say "Second run: nothing infected is running any more, so the tool walks every fixed drive."
run_tool watch
answered=0
for _ in $(seq 1 3000); do
    if [ "$answered" = 0 ] && [ "$(auto count "$QUESTION_SEL")" = 1 ]; then
        question=$(auto text "$QUESTION_SEL" "$IDC_MSG_TEXT" | tr '\n' ' ')
        echo "   question: $question"
        echo "   answering No (the restart is shown afterwards with Wine's own restart step)"
        auto click "$QUESTION_SEL" "$IDC_MSG_NO" >/dev/null
        answered=1
    fi
    if auto state "$MAIN_SEL" "$IDC_MAIN_OK" | grep -q 'visible=1'; then
        break
    fi
    sleep 0.2
done
status_shown() { [[ "$(auto text "$MAIN_SEL" "$IDC_CURRENT_FILE")" == Scanning* ]]; }
tvx_poll 30 status_shown
echo "   status line: $(auto text "$MAIN_SEL" "$IDC_CURRENT_FILE")"
save_shot demo-finished
echo "   pressing OK"
auto click "$MAIN_SEL" "$IDC_MAIN_OK" >/dev/null
wait "$TOOL_PID" || true
kill "$WATCH_PID" 2>/dev/null || true

say "What is left on the sandbox's disk and in its registry"
for row in "${DEMO_FILES[@]}"; do
    IFS='|' read -r sig path value note <<<"$row"
    state=removed
    [ -e "$(unix_path "$DEMO_PREFIX" "$path")" ] && state="still there"
    printf '   %-40s %s\n' "$path" "$state"
    if [ "$value" != - ]; then
        if (cd "$DEMO_PREFIX/drive_c" && WINEPREFIX="$DEMO_PREFIX" wine reg query "$RUN_KEY" /v "$value" >/dev/null 2>&1); then
            printf '   autostart value %-24s still there\n' "$value"
        else
            printf '   autostart value %-24s removed\n' "$value"
        fi
    fi
done

say "Third run: the held file is found again; this time the restart question is answered Yes."
echo "   Restarting Windows (here: the sandbox's Wine session) ends every program and carries out"
echo "   the deletion that had to wait."
run_tool watch
auto wait "$QUESTION_SEL" 120000 >/dev/null || { echo "no restart question" >&2; exit 1; }
echo "   question: $(auto text "$QUESTION_SEL" "$IDC_MSG_TEXT" | tr '\n' ' ')"
echo "   answering Yes"
auto click "$QUESTION_SEL" "$IDC_MSG_YES" >/dev/null
tvx_poll 90 tvx_ended "$TOOL_PID" && echo "   the tool has ended with the session" || echo "   the tool is still running" >&2
tvx_poll 60 tvx_ended "$HOLDER_PID" && echo "   the lock holder has ended with the session"
HOLDER_PID=
if ! tvx_poll 60 tvx_gone "$(unix_path "$DEMO_PREFIX" 'C:\Temp\locked\update.exe')"; then
    echo '   C:\Temp\locked\update.exe is still there'
else
    echo '   C:\Temp\locked\update.exe was deleted at the restart'
fi
tvx_stop_prefix "$DEMO_PREFIX"
say "Done. Screenshots in $SHOTS; open the tool on this prefix with: bash tools/demo/open.sh"
