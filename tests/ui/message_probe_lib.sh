# Shared part of the message dialog scenarios: runs the probe program's dialog and checks what it
# shows and returns. Sourced by the *.test.sh scripts of this folder.
source "$TVX_ROOT/tests/lib/wine_env.sh"
source "$TVX_ROOT/tests/lib/tool_paths.sh"
PROBE=$TVX_BUILD/win/tests/ui/ui_probe.exe
for f in "$PROBE" "$AUTO_EXE"; do [ -f "$f" ] || { echo "missing $f"; exit 1; }; done
export WINEPREFIX=$TVX_SHARED_PREFIX
AUTO_PREFIX=$TVX_SHARED_PREFIX
SHOTS=$TVX_BUILD/screenshots
mkdir -p "$SHOTS"
SEL=$QUESTION_SEL
PANEL=CFE9FE
WORK=$(mktemp -d "$TVX_TMP/message.XXXXXX")


# "x y w h" of a control, from the client's "state" line; empty when hidden.
geometry() {
    auto state "$SEL" "$1" | sed -n 's/^visible=1 enabled=[01] x=\(-\?[0-9]*\) y=\(-\?[0-9]*\) w=\([0-9]*\) h=\([0-9]*\).*/\1,\2,\3,\4/p'
}

start_probe() {  # style text [caption] [large]
    local try
    for try in 1 2; do
        wine "$PROBE" pointer 2 2
        wine "$PROBE" message "$@" >"$WORK/out" 2>"$WORK/err" &
        probe_pid=$!
        auto wait "$SEL" 60000 >/dev/null && return 0
        # A probe that died before its dialog showed was lost at its start (seen once in a whole
        # run with the 32-bit side emulated): it is started once more. One that lives on without
        # its dialog is a failure.
        if [ "$try" = 1 ] && tvx_ended "$probe_pid"; then
            echo "the probe ended before its dialog appeared ($(tail -n 1 "$WORK/err")); starting it again"
            continue
        fi
        break
    done
    fail "dialog did not appear: $(tail -n 3 "$WORK/err" | tr '\n' ' ')"
    kill "$probe_pid" 2>/dev/null
    return 1
}

finish_probe() {  # expected code
    if ! tvx_poll 60 tvx_ended "$probe_pid"; then
        fail "dialog did not end"
        auto close "$SEL" >/dev/null
        kill "$probe_pid" 2>/dev/null
        return
    fi
    wait "$probe_pid"
    local rc=$?
    local printed
    printed=$(tr -d '\r' <"$WORK/out")
    [ "$printed" = "RESULT $1" ] || fail "printed '$printed', expected RESULT $1"
    [ "$rc" = "$1" ] || fail "exit code $rc, expected $1"
}

# check_shot file checks...: a screenshot shows every check. The window paints when it gets to it (at
# its start, after a hover), which under load or emulation may be late, so the picture is taken again
# for up to 10 s before it fails.
check_shot() {
    tvx_poll 10 shot_holds "$@" || fail "$(grep FAIL "$WORK/check" | tr '\n' ' ')"
}

shot_holds() {  # file checks...: true when a screenshot shows every check; the findings are in $WORK/check
    local file=$1; shift
    auto shot "$SEL" - >"$file" || { echo "FAIL: no screenshot" >"$WORK/check"; return 1; }
    /usr/bin/python3 "$TVX_ROOT/tests/ui/shot_check.py" "$file" "$PANEL" "$@" >"$WORK/check"
}

