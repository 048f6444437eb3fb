#!/usr/bin/env bash
# Skinned buttons driven from outside: the hover rule moves the focus and the highlighted image,
# a disabled button shows its disabled image once it has no focus, a disabled button without a
# disabled image shows no image, and the hand cursor is loaded.
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
tvx_use_shared_prefix
source "$TVX_ROOT/tests/lib/tool_paths.sh"
PROBE=$TVX_BUILD/win/tests/ui/ui_probe.exe
for f in "$PROBE" "$AUTO_EXE"; do [ -f "$f" ] || { echo "missing $f"; exit 1; }; done
export WINEPREFIX=$TVX_SHARED_PREFIX
AUTO_PREFIX=$TVX_SHARED_PREFIX
SEL="Tarvex button probe"
WORK=$(mktemp -d "$TVX_TMP/buttons.XXXXXX")
mkdir -p "$TVX_BUILD/screenshots"

wine "$PROBE" pointer 2 2
wine "$PROBE" buttons >"$WORK/out" 2>/dev/null &
probe_pid=$!
tvx_at_exit 'kill $probe_pid 2>/dev/null'
auto wait "$SEL" 60000 >/dev/null || { echo "probe window did not appear"; exit 1; }
sleep 0.3

SCAN=20,20,180,33
DOWNLOAD=240,20,180,33
OK=20,100,92,24
shows() {  # SCAN-image DOWNLOAD-image: a screenshot of this step shows both, and no image on OK
    auto shot "$SEL" - >"$WORK/$case_label.bmp" &&
        /usr/bin/python3 "$TVX_ROOT/tests/ui/shot_check.py" "$WORK/$case_label.bmp" 00FF00 \
            "$1@$SCAN" "$2@$DOWNLOAD" "empty@$OK" >"$WORK/check"
}
# step | action | control | SCAN | DOWNLOAD
while IFS='|' read -r case_label action control scan download; do
    [ -z "$case_label" ] && continue
    auto "$action" "$SEL" "$control" >/dev/null
    # The buttons repaint when the probe gets to it, which under load or emulation may be late.
    tvx_poll 10 shows "$scan" "$download" || fail "$(grep FAIL "$WORK/check" | tr '\n' ' ')"
done <<TABLE
start_pointer_away|hover|$IDC_CURRENT_FILE|normal|normal
hover_scan|hover|$IDC_SCAN|focus|normal
hover_download_moves_focus|hover|$IDC_DOWNLOAD|normal|focus
hover_scan_again|hover|$IDC_SCAN|focus|normal
leaving_keeps_focus_not_image|hover|$IDC_CURRENT_FILE|normal|normal
click_disables_scan|click|$IDC_SCAN|disabled|normal
hover_download|hover|$IDC_DOWNLOAD|disabled|focus
TABLE
cp "$WORK/hover_download.bmp" "$TVX_BUILD/screenshots/buttons_disabled_and_focus.bmp"

auto close "$SEL" >/dev/null
wait "$probe_pid"
case_label=output
tr -d '\r' <"$WORK/out" >"$WORK/lines"
grep -qx "CURSOR 1" "$WORK/lines" || fail "no hand cursor: $(cat "$WORK/lines")"
[ "$(grep -c "^CLICK $IDC_SCAN\$" "$WORK/lines")" = 1 ] || fail "expected one click of SCAN: $(cat "$WORK/lines")"
exit $status
