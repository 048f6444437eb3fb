// The main window's result list: its clearing rule, the newest line's selection and the scroll
// range that follows the widest line.
#include "ui/result_list.h"

#include "run/scan_state.h"
#include "base/win32_scope.h"

bool ResultListClearsBefore(long lineCount, bool keepResultLines)
{
    // Deliberate: during the walk the list keeps at most 150 lines, so each append's width pass
    // stays short; the statistics set keepResultLines so they never wipe what they sum up.
    return lineCount >= kResultListLimit && !keepResultLines;
}

void AppendResultLine(HWND list, const char* line, bool keepResultLines)
{
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    if (ResultListClearsBefore(static_cast<long>(count), keepResultLines))
        SendMessageA(list, LB_RESETCONTENT, 0, 0);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
    count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    // With one or two lines the index passed lies past the end, which selects nothing.
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(count > 2 ? count - 1 : count), 0);
    UpdateHorizontalExtent(list);
}

void UpdateHorizontalExtent(HWND list)
{
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    int widest = 0;
    {
        ScopedWindowDC dc(list);
        if (dc.Get() == nullptr)
            return;
        // The list's own font is deliberately not selected: the context's default font measures,
        // and the 3/4 factor below goes with that font.
        char text[kResultLineSize + 1];
        for (LRESULT i = 0; i < count; ++i) {
            LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
            if (length < 0 || length >= static_cast<LRESULT>(sizeof(text)))
                continue;
            text[0] = '\0';
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            SIZE size = {0, 0};
            if (GetTextExtentPoint32A(dc, text, static_cast<int>(length), &size) && size.cx > widest)
                widest = size.cx;
        }
    }
    LRESULT extent = SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0);
    if (extent < widest && widest > kExtentThreshold)
        SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest * 3 / 4), 0);
}
