// The main window's result list: the 150-line reset, the selection of the newest line and the
// horizontal scroll range, on a real list box made like the one of the main window.
#include <doctest.h>
#include <windows.h>

#include <string>

#include "ui/result_list.h"

namespace {

struct ListWindow {
    HWND parent;
    HWND list;
    ListWindow()
    {
        parent = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 700, 300, nullptr, nullptr, nullptr, nullptr);
        list = CreateWindowExA(WS_EX_TRANSPARENT, "LISTBOX", "",
                               WS_CHILD | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL, 0, 0,
                               500, 100, parent, nullptr, nullptr, nullptr);
    }
    ~ListWindow() { DestroyWindow(parent); }
    int Count() const { return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); }
    int Selected() const { return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)); }
    int Extent() const { return static_cast<int>(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0)); }
    std::string Line(int index) const
    {
        char text[600] = "";
        SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // Width of text in the default font of a plain device context of the list.
    int Width(const std::string& text) const
    {
        HDC dc = GetDC(list);
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        ReleaseDC(list, dc);
        return size.cx;
    }
};

std::string Numbered(int n) { return "C:\\infected\\file" + std::to_string(n) + ".exe     W32/KYR.Trojan removed"; }

}  // namespace

TEST_CASE("lines before the reset and the selection of the newest line")
{
    struct Row {
        const char* label;
        int lines;        // appended with keepResultLines off
        bool keepLast;    // keepResultLines when the last line is appended
        int count;        // lines in the list afterwards
        int selected;     // LB_ERR: none
        int firstLine;    // number of the line now first in the list
    };
    const Row rows[] = {
        {"one line: nothing selected", 1, false, 1, LB_ERR, 1},
        {"two lines: nothing selected", 2, false, 2, LB_ERR, 1},
        {"three lines: the third selected", 3, false, 3, 2, 1},
        {"150 lines are all kept", 150, false, 150, 149, 1},
        {"the 151st line clears the list first", 151, false, 1, LB_ERR, 151},
        {"the 153rd line is the third after the reset", 153, false, 3, 2, 151},
        {"the statistics never clear the list", 151, true, 151, 150, 1},
    };
    for (const Row& row : rows) {
        CAPTURE(row.label);
        ListWindow window;
        CHECK(window.list != nullptr);
        for (int n = 1; n <= row.lines; ++n)
            AppendResultLine(window.list, Numbered(n).c_str(), row.keepLast && n == row.lines);
        CHECK(window.Count() == row.count);
        CHECK(window.Selected() == row.selected);
        CHECK(window.Line(0) == Numbered(row.firstLine));
    }
}

TEST_CASE("the horizontal scroll range follows only lines wider than 560 pixels")
{
    ListWindow window;
    CHECK(window.list != nullptr);
    // Lines made of one repeated character, sized in the measuring font around the threshold.
    auto lineOfWidth = [&](int atLeast) {
        std::string text;
        while (window.Width(text) <= atLeast)
            text += 'W';
        return text;
    };
    std::string narrow = lineOfWidth(100);
    std::string atThreshold;
    {
        std::string text;
        while (window.Width(text + 'i') <= kExtentThreshold)
            text += 'i';
        atThreshold = text;
    }
    CHECK(window.Width(atThreshold) <= kExtentThreshold);
    std::string wide = lineOfWidth(700);
    std::string wider = lineOfWidth(900);

    AppendResultLine(window.list, narrow.c_str(), false);
    CHECK(window.Extent() == 0);
    AppendResultLine(window.list, atThreshold.c_str(), false);
    CHECK(window.Extent() == 0);

    AppendResultLine(window.list, wide.c_str(), false);
    int wideWidth = window.Width(wide);
    CHECK(window.Extent() == wideWidth * 3 / 4);

    // Every append measures again; while the widest line stays the same, so does the range.
    AppendResultLine(window.list, narrow.c_str(), false);
    CHECK(window.Extent() == wideWidth * 3 / 4);

    AppendResultLine(window.list, wider.c_str(), false);
    CHECK(window.Extent() == window.Width(wider) * 3 / 4);
}
