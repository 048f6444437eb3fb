#!/usr/bin/env bash
# The message dialog on screen: the buttons and icon of each style, the first focus, hover moving
# the highlighted image, and the growth of the dialog with its text. Screenshots of each style
# are kept under $TVX_BUILD/screenshots/.
set -uo pipefail
source "$(dirname "$0")/../lib/test_env.sh"
tvx_use_shared_prefix
source "$TVX_ROOT/tests/ui/message_probe_lib.sh"

# Every style's button set and icon, and the first focus (the first visible button).
#   label | style | shown ids | hidden ids | icon | focused id
while IFS='|' read -r case_label style shown hidden icon focused; do
    [ -z "$case_label" ] && continue
    start_probe "$style" "Terminate the Scan now?" || continue
    for id in $shown; do [ -n "$(geometry "$id")" ] || fail "button $id hidden"; done
    for id in $hidden; do [ -z "$(geometry "$id")" ] || fail "button $id shown"; done
    checks=("icon-$icon@$(geometry "$IDC_MSG_ICON")")
    for id in $shown; do
        kind=normal; [ "$id" = "$focused" ] && kind=focus
        checks+=("$kind@$(geometry "$id")")
    done
    check_shot "$SHOTS/message_$case_label.bmp" "${checks[@]}"
    auto key "$SEL" "$VK_ESCAPE" >/dev/null
    escape_code=2; [ "$style" = 36 ] && escape_code=7
    finish_probe "$escape_code"
done <<'TABLE'
yesno_question|36|6 7|1 2 3|question|6
okcancel_information|65|1 2|3 6 7|information|1
ok_hand|16|3|1 2 6 7|hand|3
ok_exclamation|48|3|1 2 6 7|exclamation|3
no_icon_bits|0|3|1 2 6 7|exclamation|3
yesnocancel_shows_okcancel|3|1 2|3 6 7|exclamation|1
TABLE

# Hover moves the focus and the highlighted image; leaving keeps the focus but not the image.
case_label=hover
if start_probe 36 "Terminate the Scan now?"; then
    yes=$(geometry 6); no=$(geometry 7)
    auto hover "$SEL" "$IDC_MSG_NO" >/dev/null
    check_shot "$WORK/hover1.bmp" "normal@$yes" "focus@$no"
    auto hover "$SEL" "$IDC_MSG_YES" >/dev/null
    check_shot "$WORK/hover2.bmp" "focus@$yes" "normal@$no"
    # Enter gives the default button's code: Yes in a Yes/No dialog.
    auto key "$SEL" "$VK_RETURN" >/dev/null
    finish_probe 6
fi

# Size and placement for short and long texts, and with large fonts: the text line's growth from
# its size in the template, which follows the fonts of the machine and is measured in this run.
#   label | text length | large | text width growth | text height growth | icon moves
case_label=template
read -r template_w template_h < <(wine "$PROBE" template | tr -d '\r' | sed -n 's/^TEXTLINE //p')
[ -n "${template_h:-}" ] || fail "the template's text line could not be measured"
echo "template text line ${template_w:-?} x ${template_h:-?} with this machine's fonts"
while IFS='|' read -r case_label length large grow_w grow_h icon_moves; do
    [ -z "$case_label" ] && continue
    text=$(head -c "$length" </dev/zero | tr '\0' 'w' | sed 's/wwwwwwwwww/wwwwwwwww /g')
    start_probe 36 "$text" "$TITLE" $large || continue
    g=$(geometry "$IDC_MSG_TEXT"); IFS=, read -r tx ty tw th <<<"$g"
    i=$(geometry "$IDC_MSG_ICON"); IFS=, read -r ix iy iw ih <<<"$i"
    [ "$tw" = $((template_w + grow_w)) ] || fail "text line width $tw, expected $((template_w + grow_w))"
    [ "$th" = $((template_h + grow_h)) ] || fail "text line height $th, expected $((template_h + grow_h))"
    # A long text puts the icon 30 above the text line's old screen top, which is 25 below its new
    # place; a short one leaves it at the template's y = 0.
    expected_iy=0; [ "$icon_moves" = yes ] && expected_iy=$((ty - 5))
    [ "$iy" = "$expected_iy" ] || fail "icon at y=$iy, expected $expected_iy"
    [ "$length" -ge 95 ] && auto shot "$SEL" - >"$SHOTS/message_text_$case_label.bmp"
    auto key "$SEL" "$VK_ESCAPE" >/dev/null
    finish_probe 7
done <<'TABLE'
n23|23||12|7|no
n89|89||37|21|no
n90|90||50|28|yes
n95|95||50|28|yes
n181|181||87|49|yes
n23_large_fonts|23|large|12|32|no
TABLE

exit $status
