// Rules of the message dialog that need no window: which buttons and icon a message-box style
// asks for, and how far the dialog and its controls move for a text of a given length.
#pragma once
#include <cstddef>
#include <cstdint>

#include "ui/pixel_rect.h"

enum MessageButtonSet {
    kMessageOkOnly,    // the single OK button (id 3)
    kMessageOkCancel,  // OK (id 1) and Cancel (id 2)
    kMessageYesNo,     // YES (id 6) and NO (id 7)
};

// Bit 0x1 is tested first, so 3 (Yes/No/Cancel to the system) shows OK and Cancel.
MessageButtonSet ButtonSetForStyle(unsigned style);
// Icon bitmap id (ui/resource.h): exclamation (also without icon bits), information, question or hand.
int IconIdForStyle(unsigned style);

// A target for MoveWindow.
struct LayoutBox {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

struct MessageGrowth {
    int32_t extraHeight;  // H = (n / 30 + 1) × 10
    int32_t extraWidth;   // W = H × 1.25, truncated
};

MessageGrowth GrowthForTextLength(size_t length);
// The dialog moves to the screen origin and grows by W × (H − W / 4).
LayoutBox GrownDialogBox(const PixelRect& dialog, const MessageGrowth& growth);
// The text line: 25 up, W wider, H − W / 4 taller (25 more with large fonts).
LayoutBox MovedTextBox(const PixelRect& text, const MessageGrowth& growth, bool largeFonts);
// A button: W / 2 to the right, its top 65 above the dialog's bottom edge, same size.
LayoutBox MovedButtonBox(const PixelRect& button, int32_t dialogBottom, const MessageGrowth& growth);
// Whether the icon moves up (texts of 90 characters or more), and its new top: 30 above the
// text line's top as read before the text line moved.
bool IconMoves(const MessageGrowth& growth);
int32_t MovedIconTop(const PixelRect& textBeforeMove);
