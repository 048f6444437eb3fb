// Style and size rules of the message dialog.
#include "ui/message_layout.h"

#include "ui/resource.h"

MessageButtonSet ButtonSetForStyle(unsigned style)
{
    if (style & 0x1)
        return kMessageOkCancel;
    if (style & 0x4)
        return kMessageYesNo;
    return kMessageOkOnly;
}

int IconIdForStyle(unsigned style)
{
    if ((style & 0x30) == 0x30)
        return IDB_MSG_EXCLAMATION;
    if (style & 0x40)
        return IDB_MSG_INFORMATION;
    if (style & 0x20)
        return IDB_MSG_QUESTION;
    if (style & 0x10)
        return IDB_MSG_HAND;
    return IDB_MSG_EXCLAMATION;
}

MessageGrowth GrowthForTextLength(size_t length)
{
    MessageGrowth growth;
    growth.extraHeight = static_cast<int32_t>((length / 30 + 1) * 10);
    growth.extraWidth = static_cast<int32_t>(static_cast<int64_t>(growth.extraHeight) * 5 / 4);  // × 1.25, truncated
    return growth;
}

LayoutBox GrownDialogBox(const PixelRect& dialog, const MessageGrowth& growth)
{
    LayoutBox box;
    box.x = 0;
    box.y = 0;
    box.width = (dialog.right - dialog.left) + growth.extraWidth;
    box.height = (dialog.bottom - dialog.top) + growth.extraHeight - growth.extraWidth / 4;
    return box;
}

LayoutBox MovedTextBox(const PixelRect& text, const MessageGrowth& growth, bool largeFonts)
{
    LayoutBox box;
    box.x = text.left;
    box.y = text.top - 25;
    box.width = (text.right - text.left) + growth.extraWidth;
    box.height = (text.bottom - text.top) + (growth.extraHeight - growth.extraWidth / 4);
    if (largeFonts)
        box.height += 25;
    return box;
}

LayoutBox MovedButtonBox(const PixelRect& button, int32_t dialogBottom, const MessageGrowth& growth)
{
    LayoutBox box;
    box.x = button.left + growth.extraWidth / 2;
    box.y = dialogBottom - 65;
    box.width = button.right - button.left;
    box.height = button.bottom - button.top;
    return box;
}

bool IconMoves(const MessageGrowth& growth)
{
    return growth.extraHeight > 30;
}

int32_t MovedIconTop(const PixelRect& textBeforeMove)
{
    return textBeforeMove.top - 30;
}
