# Start-up of the tool: the Ready layout with and without the maker's product key, one copy only,
# and which keys close the idle window.
source "$(dirname "$0")/lib.sh"
e2e_require "$TOOL_EXE" "$AUTO_EXE"
e2e_prefix startup
PRODUCT_KEY='HKLM\Software\Quorbis\Zentalor 2000'

# --- No product key: Ready layout, texts, a second copy refused, Enter ignored, Escape closes.
start_tool
wait_main
expect_layout ready-no-product "$LAYOUT_READY_NO_PRODUCT" || abort "Ready layout without the product"
check "window title" "$TITLE" "$(auto text "$MAIN_SEL")"
check "title line" "$TITLE - Tool to detect and remove all the variants of W32/KYR Trojan" "$(auto text "$MAIN_SEL" "$IDC_TITLE_LINE")"
check "family label" "for W32/KYR Trojan" "$(auto text "$MAIN_SEL" "$IDC_FAMILY_LABEL")"
[ -n "$(auto text "$MAIN_SEL" "$IDC_NOTICE_LINE")" ] || abort "notice line is empty"
check "window size" "600x462" "$(auto rect "$MAIN_SEL" | sed 's/.* w=\([0-9]*\) h=\([0-9]*\)/\1x\2/')"
shot ready "$MAIN_SEL"

first_pid=$TOOL_PID
start_tool
wait_tool_exit 60 || abort "a second copy kept running"
[ "$TOOL_EXIT" = 0 ] || echo "note: the refused copy ended with code $TOOL_EXIT"
check "windows after a second start" "1" "$(auto count "$TITLE")"
TOOL_PID=$first_pid

auto key "$MAIN_SEL" "$VK_RETURN" >/dev/null
sleep 1
kill -0 "$TOOL_PID" 2>/dev/null || abort "Enter closed the window"
expect_layout after-enter "$LAYOUT_READY_NO_PRODUCT" || abort "Enter changed the window"

auto key "$MAIN_SEL" "$VK_ESCAPE" >/dev/null
wait_tool_exit 60 || abort "Escape did not close the idle window"
check "windows after Escape" "0" "$(auto count "$TITLE")"

# --- Alt+F4 closes the idle window too.
start_tool
wait_main
auto syskey "$MAIN_SEL" "$VK_F4" >/dev/null
wait_tool_exit 60 || abort "Alt+F4 did not close the idle window"

# --- With the product key: its value, short or longer than the 300 bytes read, means installed.
long_folder='C:\Program Files\'$(printf 'Zentalor%.0s' $(seq 1 50))
for folder in 'C:\Program Files\Zentalor' "$long_folder"; do
    tvx_reg "$E2E_PREFIX" add "$PRODUCT_KEY" /v 'Installed Folder' /t REG_SZ /d "$folder" /f ||
        abort "could not write the product key"
    start_tool
    wait_main
    expect_layout "ready-product-${#folder}" "$LAYOUT_READY_PRODUCT" || abort "Ready layout with the product (${#folder} characters)"
    check "product line" "This program is a part of Zentalor antivirus software." "$(auto text "$MAIN_SEL" "$IDC_PRODUCT_LINE")"
    [ "${#folder}" -lt 300 ] && shot ready-product "$MAIN_SEL"
    auto key "$MAIN_SEL" "$VK_ESCAPE" >/dev/null
    wait_tool_exit 60 || abort "Escape did not close the window"
done

# --- The key without the value is no product.
tvx_reg "$E2E_PREFIX" delete "$PRODUCT_KEY" /v 'Installed Folder' /f
start_tool
wait_main
expect_layout ready-key-without-value "$LAYOUT_READY_NO_PRODUCT" || abort "Ready layout with an empty product key"
auto key "$MAIN_SEL" "$VK_ESCAPE" >/dev/null
wait_tool_exit 60 || abort "Escape did not close the window"
# --- The exe starts with the oldest reported systems too: its own start-up, no C run-time DLL.
for version in win98 nt40; do
    tvx_set_version "$E2E_PREFIX" tarvex.exe "$version"
    start_tool
    wait_main
    check "window title as $version" "$TITLE" "$(auto text "$MAIN_SEL")"
    expect_layout "ready-$version" "$LAYOUT_READY_NO_PRODUCT" || abort "Ready layout as $version"
    auto key "$MAIN_SEL" "$VK_ESCAPE" >/dev/null
    wait_tool_exit 60 || abort "Escape did not close the window as $version"
done
echo "start-up scenarios passed"
