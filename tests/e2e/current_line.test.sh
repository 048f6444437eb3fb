# The current-file line while a scan walks and once it has ended: every read of the line gives an
# entry of the walk, later reads later entries (the text is current even though the line is painted
# only at the screen's pace), and the final status is on screen, not only stored: the line as shown
# equals the line painted afresh.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE"
e2e_prefix current-line
tvx_set_version "$E2E_PREFIX" tarvex.exe winxp
add_busy_drive D 12000
drive_d=$TVX_TMP/$(basename "$E2E_PREFIX")-drive-D

start_tool
wait_main
auto click "$MAIN_SEL" $IDC_SCAN >/dev/null
reads=()
for _ in $(seq 1 300); do
    text=$(auto text "$MAIN_SEL" $IDC_CURRENT_FILE)
    if [[ "$text" == D:* ]]; then
        reads+=("$text")
        [ ${#reads[@]} -ge 5 ] && break
    fi
    sleep 0.1
done
[ ${#reads[@]} -ge 5 ] || abort "only ${#reads[@]} reads of the line on drive D (last '$text')"
auto state "$MAIN_SEL" $IDC_SEARCHING_LINE | grep -q 'visible=1' || abort "the scan ended while the line was read"
previous=
for text in "${reads[@]}"; do
    echo "read: $text"
    [ "$text" != "$previous" ] || abort "two reads gave the same entry: $text"
    previous=$text
    # D:\folder001\file00512.dat is folder001/file00512.dat of the drive's folder; "." and ".."
    # entries name the folder itself.
    rel=${text#D:\\}
    rel=${rel//\\//}
    rel=${rel%/.}
    rel=${rel%/..}
    [ -e "$drive_d/$rel" ] || abort "not an entry of the drive: $text"
done

wait_finished 120
check "status line" "Scanning completed" "$(auto text "$MAIN_SEL" $IDC_CURRENT_FILE)"
painted=$(auto repaint "$MAIN_SEL" $IDC_CURRENT_FILE) || abort "could not compare the line with a fresh paint"
echo "final line against a fresh paint: $painted"
[[ "$painted" == differing=0\ * ]] || abort "the final status is not what the screen shows ($painted)"
[[ "$painted" != *" ink=0" ]] || abort "the line shows no text"
shot current-line-finished "$MAIN_SEL"
auto click "$MAIN_SEL" $IDC_MAIN_OK >/dev/null
wait_tool_exit 60 || abort "OK did not close the window"
echo "current-line scenario passed"
