// Message dialog rules: buttons and icon by style, growth and placement by text length.
#include <doctest.h>

#include <initializer_list>
#include <string>

#include "ui/message_layout.h"

TEST_CASE("style bits choose the button set and the icon, first matching rule wins")
{
    struct Row {
        const char* label;
        unsigned style;
        MessageButtonSet buttons;
        int icon;
    };
    const Row rows[] = {
        { "0: OK only, exclamation by default", 0x00, kMessageOkOnly, 154 },
        { "1 OK/Cancel", 0x01, kMessageOkCancel, 154 },
        { "3 Yes/No/Cancel shows OK/Cancel: bit 1 is tested first", 0x03, kMessageOkCancel, 154 },
        { "4 Yes/No", 0x04, kMessageYesNo, 154 },
        { "2 Abort/Retry/Ignore has neither bit: OK only", 0x02, kMessageOkOnly, 154 },
        { "36 terminate and restart questions", 0x24, kMessageYesNo, 153 },
        { "65 memory notice", 0x41, kMessageOkCancel, 152 },
        { "hand", 0x10, kMessageOkOnly, 155 },
        { "exclamation (both 0x30 bits)", 0x30, kMessageOkOnly, 154 },
        { "information beats question", 0x60, kMessageOkOnly, 152 },
        { "0x70: both 0x30 bits, so exclamation", 0x70, kMessageOkOnly, 154 },
        { "question beats hand", 0x24 | 0x10, kMessageYesNo, 154 },
        { "0x50: information beats hand", 0x50, kMessageOkOnly, 152 },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        CHECK(ButtonSetForStyle(row.style) == row.buttons);
        CHECK(IconIdForStyle(row.style) == row.icon);
    }
}

TEST_CASE("the dialog, text line, buttons and icon move by the text length")
{
    // A dialog of 287 × 114 at (100, 80); the text line and a button as read once it stands at the
    // screen origin (frame and caption included, so these are screen positions).
    const PixelRect dialog = { 100, 80, 387, 194 };
    const PixelRect text = { 76, 30, 279, 61 };
    const PixelRect button = { 39, 84, 131, 108 };
    struct Row {
        const char* label;
        size_t length;
        int32_t extraHeight;
        int32_t extraWidth;
        int32_t grownWidth;   // of the dialog
        int32_t grownHeight;  // of the dialog
        int32_t buttonShift;
        bool iconMoves;
    };
    const Row rows[] = {
        { "23 (terminate question)", 23, 10, 12, 12, 7, 6, false },
        { "89: last length that keeps the icon", 89, 30, 37, 37, 21, 18, false },
        { "90: first length that moves the icon", 90, 40, 50, 50, 28, 25, true },
        { "95 (restart question)", 95, 40, 50, 50, 28, 25, true },
        { "181 (memory notice)", 181, 70, 87, 87, 49, 43, true },
        { "0 (empty text)", 0, 10, 12, 12, 7, 6, false },
        { "29 and 30 straddle a step", 30, 20, 25, 25, 14, 12, false },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        MessageGrowth growth = GrowthForTextLength(row.length);
        CHECK(growth.extraHeight == row.extraHeight);
        CHECK(growth.extraWidth == row.extraWidth);

        LayoutBox grown = GrownDialogBox(dialog, growth);
        CHECK(grown.x == 0);
        CHECK(grown.y == 0);
        CHECK(grown.width == 287 + row.grownWidth);
        CHECK(grown.height == 114 + row.grownHeight);

        for (bool largeFonts : { false, true }) {
            CAPTURE(largeFonts);
            LayoutBox moved = MovedTextBox(text, growth, largeFonts);
            CHECK(moved.x == 76);
            CHECK(moved.y == 30 - 25);
            CHECK(moved.width == 203 + row.grownWidth);
            CHECK(moved.height == 31 + row.grownHeight + (largeFonts ? 25 : 0));
        }

        const int32_t dialogBottom = grown.height;  // the dialog now stands at the origin
        LayoutBox movedButton = MovedButtonBox(button, dialogBottom, growth);
        CHECK(movedButton.x == 39 + row.buttonShift);
        CHECK(movedButton.y == dialogBottom - 65);
        CHECK(movedButton.width == 92);
        CHECK(movedButton.height == 24);

        CHECK(IconMoves(growth) == row.iconMoves);
        CHECK(MovedIconTop(text) == 0);
    }
}
