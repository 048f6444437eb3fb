// Window framework and controls under Wine: message-map dispatch, control binding and reflection,
// the window region built from a bitmap, child scaling, bitmap button loading and drawing, and the
// coloured label's painting.
#include <windows.h>

#include <doctest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/cexbutton.h"
#include "ui/cexlabel.h"
#include "ui/ncexbutton.h"
#include "ui/resource.h"
#include "ui/shape.h"
#include "ui/ui_globals.h"

namespace {

const COLORREF kKey = RGB(255, 0, 255);

// A popup window of the given client size at the screen origin, with no frame.
HWND MakePopup(int width, int height, bool visible = false)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        windowClass.lpszClassName = "TarvexUiTestHost";
        RegisterClassA(&windowClass);
        registered = true;
    }
    return CreateWindowExA(0, "TarvexUiTestHost", "ui test host", WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0,
                           width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HWND AddChild(HWND parent, const char* className, const char* text, DWORD style, int id, int x, int y, int w, int h)
{
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// A 32-bit top-down DIB section drawn from rows of characters: '.' key magenta, '#' dark grey,
// 'b' pure blue, 'r' pure red.
HBITMAP MakeBitmap(const char* const* rows, int height)
{
    int width = static_cast<int>(strlen(rows[0]));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    DWORD* pixels = static_cast<DWORD*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            DWORD value = 0x00404040;
            switch (rows[y][x]) {
            case '.': value = 0x00FF00FF; break;
            case 'b': value = 0x000000FF; break;  // bytes blue, green, red: pure blue
            case 'r': value = 0x00FF0000; break;  // pure red
            }
            pixels[y * width + x] = value;
        }
    return bitmap;
}

std::string RegionPicture(HRGN region, int width, int height)
{
    std::string picture;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            picture += PtInRegion(region, x, y) ? '#' : '.';
        picture += '\n';
    }
    return picture;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

TEST_CASE("the region from a bitmap covers exactly the non-key pixels, or the key pixels")
{
    const char* const rows[] = {
        "....####",
        "........",
        "#..#...#",
        "##.b.r##",
    };
    HBITMAP bitmap = MakeBitmap(rows, 4);
    HRGN shape = CreateShapeRegion(bitmap, kKey, TRUE);
    CHECK(shape != nullptr);
    CHECK(RegionPicture(shape, 8, 4) == "....####\n........\n#..#...#\n##.#.###\n");
    HRGN keyOnly = CreateShapeRegion(bitmap, kKey, FALSE);
    CHECK(RegionPicture(keyOnly, 8, 4) == "####....\n########\n.##.###.\n..#.#...\n");

    // The key's low byte is compared with blue: 0x000000FF (red as a colour value) is pure blue.
    HRGN notBlue = CreateShapeRegion(bitmap, 0x000000FF, TRUE);
    CHECK(RegionPicture(notBlue, 8, 4) == "########\n########\n########\n###.####\n");

    // Nothing outside the bitmap, and the bitmap is left usable and unselected.
    RECT box;
    GetRgnBox(shape, &box);
    CHECK(box.left == 0);
    CHECK(box.top == 0);
    CHECK(box.right == 8);
    CHECK(box.bottom == 4);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    CHECK(previous != nullptr);
    SelectObject(dc, previous);
    DeleteDC(dc);

    DeleteObject(shape);
    DeleteObject(keyOnly);
    DeleteObject(notBlue);
    DeleteObject(bitmap);
    CHECK(CreateShapeRegion(nullptr, kKey, TRUE) == nullptr);
}

TEST_CASE("a shape of many batches keeps every pixel: a 120 x 60 checkerboard is 3600 rectangles")
{
    std::string lines[60];
    const char* rows[60];
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 120; ++x)
            lines[y] += (x + y) % 2 ? '#' : '.';
        rows[y] = lines[y].c_str();
    }
    HBITMAP bitmap = MakeBitmap(rows, 60);
    HRGN shape = CreateShapeRegion(bitmap, kKey, TRUE);
    std::string expected;
    for (int y = 0; y < 60; ++y)
        expected += lines[y] + '\n';
    CHECK(RegionPicture(shape, 120, 60) == expected);
    DeleteObject(shape);
    DeleteObject(bitmap);
}

TEST_CASE("the skin's region: the shape's corners are cut, its inside kept, its box the bitmap's")
{
    HBITMAP skin = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    CHECK(skin != nullptr);
    HRGN shape = CreateShapeRegion(skin, kKey, TRUE);
    CHECK(shape != nullptr);
    RECT box;
    GetRgnBox(shape, &box);
    CHECK(box.left == 0);
    CHECK(box.top == 0);
    CHECK(box.right == 527);
    CHECK(box.bottom == 338);
    struct Point {
        int x, y;
        bool inside;
    };
    const Point points[] = { { 0, 0, false }, { 526, 0, false }, { 0, 337, false }, { 526, 337, false },
                             { 263, 169, true }, { 263, 0, true }, { 0, 169, true }, { 526, 169, true },
                             { 263, 337, true }, { 508, 14, true } /* the close box's place */ };
    for (const Point& point : points) {
        CAPTURE(point.x);
        CAPTURE(point.y);
        CHECK((PtInRegion(shape, point.x, point.y) != 0) == point.inside);
    }
    DeleteObject(shape);
    DeleteObject(skin);
}

TEST_CASE("every bitmap resource has the size and colour depth of its role")
{
    struct Row {
        const char* name;  // resource name, or "#id"
        int width, height, bitsPerPixel;
    };
    const Row rows[] = {
        { "#156", 527, 338, 8 },  { "#152", 42, 40, 24 }, { "#153", 42, 40, 24 }, { "#154", 42, 40, 24 },
        { "#155", 42, 40, 24 },   { "OK_FOCUS", 92, 24, 8 }, { "OK_NOTFOCUS", 92, 24, 8 },
        { "CANCEL_FOCUS", 92, 24, 8 }, { "CANCEL_NOTFOCUS", 92, 24, 8 }, { "YES_FOCUS", 92, 24, 8 },
        { "YES_NOTFOCUS", 92, 24, 8 }, { "NO_FOCUS", 92, 24, 8 }, { "NO_NOTFOCUS", 92, 24, 8 },
        { "SCAN_FOCUS", 180, 33, 8 }, { "SCAN_NOTFOCUS", 180, 33, 8 }, { "SCAN_DISABLE", 180, 33, 4 },
        { "DOWNLOAD_FOCUS", 180, 33, 8 }, { "DOWNLOAD_NOTFOCUS", 180, 33, 8 }, { "DOWNLOAD_DISABLE", 180, 33, 4 },
        { "X_FOCUS", 21, 21, 8 }, { "X_NOTFOCUS", 21, 21, 8 }, { "DLINK_FOCUS", 313, 43, 4 },
        { "DLINK_NOTFOCUS", 313, 43, 4 }, { "ULINK_FOCUS", 244, 28, 8 }, { "ULINK_NOTFOCUS", 244, 28, 8 },
        { "QUORBISLOGO_FOCUS", 38, 36, 8 }, { "QUORBISLOGO_NOTFOCUS", 38, 36, 8 },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.name));
        const char* name = row.name[0] == '#' ? MAKEINTRESOURCEA(atoi(row.name + 1)) : row.name;
        HRSRC resource = FindResourceA(GetModuleHandleA(nullptr), name, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
        CHECK(resource != nullptr);
        if (!resource)
            continue;
        const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(
            LockResource(LoadResource(GetModuleHandleA(nullptr), resource)));
        CHECK(header->biWidth == row.width);
        CHECK(header->biHeight == row.height);
        CHECK(header->biBitCount == row.bitsPerPixel);
    }
    // The program icon carries the three usual sizes.
    HICON icons[3] = {};
    const int sizes[3] = { 16, 32, 48 };
    for (int i = 0; i < 3; ++i) {
        icons[i] = static_cast<HICON>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, sizes[i], sizes[i], 0));
        CHECK(icons[i] != nullptr);
        ICONINFO info = {};
        if (icons[i] && GetIconInfo(icons[i], &info)) {
            BITMAP mask = {};
            GetObjectA(info.hbmMask, sizeof(mask), &mask);
            CHECK(mask.bmWidth == sizes[i]);
            DeleteObject(info.hbmMask);
            DeleteObject(info.hbmColor);
        }
        DestroyIcon(icons[i]);
    }
}

TEST_CASE("children are scaled by the ratio of the client size to the design size, grandchildren too")
{
    struct Row {
        const char* label;
        int clientWidth, clientHeight, designWidth, designHeight;
        RECT child;       // x, y, right, bottom in the parent's client area
        RECT expected;
    };
    const Row rows[] = {
        { "design equal to client: nothing moves", 600, 337, 600, 337, { 10, 20, 60, 50 }, { 10, 20, 60, 50 } },
        // 10 / (524 / 600) = 11.45 -> 11, 60 / 0.8733 = 68.7 -> 68; 20 / (340 / 337) = 19.8 -> 19
        { "524 x 340 client for 600 x 337", 524, 340, 600, 337, { 10, 20, 60, 50 }, { 11, 19, 68, 49 } },
        { "half size design doubles", 300, 200, 600, 400, { 7, 9, 57, 29 }, { 14, 18, 114, 58 } },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        HWND parent = MakePopup(row.clientWidth, row.clientHeight);
        HWND child = AddChild(parent, "STATIC", "", 0, 100, row.child.left, row.child.top,
                              row.child.right - row.child.left, row.child.bottom - row.child.top);
        HWND grandchild = AddChild(child, "STATIC", "", 0, 101, 0, 0, 5, 5);
        CHECK(ScaleChildWindows(parent, row.designWidth, row.designHeight));
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        CHECK(rect.left == row.expected.left);
        CHECK(rect.top == row.expected.top);
        CHECK(rect.right == row.expected.right);
        CHECK(rect.bottom == row.expected.bottom);
        GetWindowRect(grandchild, &rect);
        bool grandchildVisited = row.designWidth == row.clientWidth || rect.right - rect.left != 5;
        CHECK(grandchildVisited);
        DestroyWindow(parent);
    }
}

// ---------------------------------------------------------------------------------------------
// Message maps, binding and reflection, on the message dialog's template.

namespace {

struct Log {
    int baseTen = 0;
    int derivedTen = 0;
    int baseOnly = 0;
    int colourKinds[8] = {};
    int drawItems = 0;
    bool bound = false;
};
Log g_log;

class CountingButton : public CButton {
public:
    void DrawItem(DRAWITEMSTRUCT*) override { ++g_log.drawItems; }
};

class BaseTestDialog : public CDialog {
    DECLARE_MESSAGE_MAP()
public:
    BaseTestDialog() : CDialog(IDD_MESSAGE) {}

protected:
    LRESULT OnTen(WPARAM, LPARAM)
    {
        ++g_log.baseTen;
        return 0;
    }
    LRESULT OnBaseOnly(WPARAM, LPARAM)
    {
        ++g_log.baseOnly;
        return 0;
    }
};

BEGIN_MESSAGE_MAP(BaseTestDialog, CDialog)
    ON_MESSAGE(10, OnTen)
    ON_MESSAGE(WM_USER + 5, OnBaseOnly)
END_MESSAGE_MAP()

class DerivedTestDialog : public BaseTestDialog {
    DECLARE_MESSAGE_MAP()
public:
    CountingButton m_single;
    CStatic m_text;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, IDC_MSG_SINGLE_OK, m_single);
        DDX_Control(dx, IDC_MSG_TEXT, m_text);
    }
    BOOL OnInitDialog() override
    {
        BaseTestDialog::OnInitDialog();
        g_log.bound = CWnd::FromHandle(GetDlgItem(IDC_MSG_SINGLE_OK)) == &m_single &&
                      CWnd::FromHandle(GetDlgItem(IDC_MSG_TEXT)) == &m_text;
        // The system's WM_ENABLE is number 10: the private handler runs for it too.
        EnableWindow(FALSE);
        EnableWindow(TRUE);
        SendMessage(WM_USER + 5);
        ShowWindow(SW_SHOW);
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        // The owner-drawn button is drawn through its object, and then the dialog ends.
        PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    void OnOK() override { EndDialog(42); }
    LRESULT OnTen(WPARAM, LPARAM)
    {
        ++g_log.derivedTen;
        return 0;
    }
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind)
    {
        if (kind < 8)
            ++g_log.colourKinds[kind];
        return CDialog::OnCtlColor(dc, control, kind);
    }
};

BEGIN_MESSAGE_MAP(DerivedTestDialog, BaseTestDialog)
    ON_MESSAGE(10, OnTen)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

}  // namespace

TEST_CASE("a dialog's messages go to its own table first, then its base's; colours fold into one handler")
{
    g_log = Log();
    DerivedTestDialog dialog;
    CHECK(dialog.DoModal() == 42);
    CHECK(g_log.bound);
    CHECK(g_log.derivedTen == 2);  // disabled, then enabled again
    CHECK(g_log.baseTen == 0);
    CHECK(g_log.baseOnly == 1);
    CHECK(g_log.colourKinds[CTLCOLOR_DLG] > 0);
    CHECK(g_log.colourKinds[CTLCOLOR_STATIC] > 0);
    CHECK(g_log.drawItems > 0);
    // The controls let go of their windows when the dialog is destroyed.
    CHECK(dialog.m_single.m_hWnd == nullptr);
    CHECK(dialog.m_hWnd == nullptr);
}

TEST_CASE("a dialog whose template is missing fails with -1")
{
    CDialog dialog(9999);
    CHECK(dialog.DoModal() == -1);
}

// ---------------------------------------------------------------------------------------------
// Bitmap buttons.

namespace {

class TestButton : public NCExButton {
public:
    void SetHighlight(BOOL on) { m_bHighlight = on; }
    RECT HitRect() const { return m_rcButton; }
};

SIZE WindowSize(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    SIZE size = { rect.right - rect.left, rect.bottom - rect.top };
    return size;
}

// Draws the button into a 200 x 40 memory bitmap filled with a sentinel colour and returns the
// colour at (x, y).
COLORREF DrawAndRead(TestButton& button, UINT state, int x, int y)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 200, 40);
    ReleaseDC(nullptr, screen);
    HGDIOBJ previous = SelectObject(dc, target);
    RECT all = { 0, 0, 200, 40 };
    HBRUSH sentinel = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(dc, &all, sentinel);
    DeleteObject(sentinel);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = button.m_hWnd;
    item.hDC = dc;
    SetRect(&item.rcItem, 0, 0, 180, 33);
    button.DrawItem(&item);
    COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, previous);
    DeleteObject(target);
    DeleteDC(dc);
    return colour;
}

bool IsOrange(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) > 80 && GetGValue(c) < 215 && GetBValue(c) < 100; }
bool IsBlue(COLORREF c) { return GetBValue(c) > 170 && GetRValue(c) < 120; }
bool IsGrey(COLORREF c) { return GetRValue(c) > 160 && GetRValue(c) < 240 && abs(GetRValue(c) - GetGValue(c)) < 16; }

}  // namespace

TEST_CASE("buttons load the images named after their caption and take the normal image's size")
{
    struct Row {
        const char* label;
        const char* caption;
        BOOL loaded;
        int width, height;  // after loading; the template's 50 x 20 when nothing loads
    };
    const Row rows[] = {
        { "SCAN has all three images", "SCAN", TRUE, 180, 33 },
        { "\"Cancel\" finds the CANCEL images: names match without case", "Cancel", TRUE, 92, 24 },
        { "X", "X", TRUE, 21, 21 },
        { "DLINK", "DLINK", TRUE, 313, 43 },
        { "ULINK", "ULINK", TRUE, 244, 28 },
        { "QUORBISLOGO", "QUORBISLOGO", TRUE, 38, 36 },
        { "empty caption loads nothing", "", FALSE, 50, 20 },
        { "a caption without images keeps the template size", "NOSUCH", TRUE, 50, 20 },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        HWND parent = MakePopup(400, 200);
        CWnd host;
        host.SubclassWindow(parent);
        AddChild(parent, "BUTTON", row.caption, BS_OWNERDRAW, 500, 30, 40, 50, 20);
        TestButton button;
        CHECK(button.SubclassAndLoad(500, &host) == row.loaded);
        SIZE size = WindowSize(button.m_hWnd);
        CHECK(size.cx == row.width);
        CHECK(size.cy == row.height);
        RECT place;
        GetWindowRect(button.m_hWnd, &place);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 1);
        CHECK(place.left == 30);  // the top-left corner stays
        CHECK(place.top == 40);
        DestroyWindow(parent);
    }
}

TEST_CASE("a missing focus or normal image fails the load; a missing disabled image does not")
{
    struct Row {
        const char* label;
        const char* focus;
        const char* normal;
        const char* disabled;
        BOOL result;
        bool resized;
    };
    const Row rows[] = {
        { "all present", "SCAN_FOCUS", "SCAN_NOTFOCUS", "SCAN_DISABLE", TRUE, true },
        { "no disabled image", "OK_FOCUS", "OK_NOTFOCUS", "OK_DISABLE", TRUE, true },
        { "no focus image", "NONE_FOCUS", "SCAN_NOTFOCUS", "SCAN_DISABLE", FALSE, false },
        { "no normal image", "SCAN_FOCUS", "NONE_NOTFOCUS", "SCAN_DISABLE", FALSE, false },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        HWND parent = MakePopup(400, 200);
        HWND control = AddChild(parent, "BUTTON", "", BS_OWNERDRAW, 500, 0, 0, 50, 20);
        TestButton button;
        button.SubclassWindow(control);
        CHECK(button.LoadStateBitmaps(row.focus, row.normal, row.disabled) == row.result);
        CHECK((WindowSize(control).cx != 50) == row.resized);
        DestroyWindow(parent);
    }
}

TEST_CASE("the image drawn: highlight first, then disabled, then normal; nothing without an image")
{
    HWND parent = MakePopup(400, 200);
    AddChild(parent, "BUTTON", "SCAN", BS_OWNERDRAW, 1052, 0, 0, 50, 20);
    AddChild(parent, "BUTTON", "OK", BS_OWNERDRAW, 1070, 0, 50, 50, 20);
    CWnd host;
    host.SubclassWindow(parent);
    TestButton scan;
    TestButton ok;
    CHECK(scan.SubclassAndLoad(1052, &host));
    CHECK(ok.SubclassAndLoad(1070, &host));
    CHECK(scan.HitRect().right == 180);
    CHECK(scan.HitRect().bottom == 33);

    scan.SetHighlight(FALSE);
    CHECK(IsBlue(DrawAndRead(scan, 0, 9, 16)));
    CHECK(IsGrey(DrawAndRead(scan, ODS_DISABLED, 9, 16)));
    scan.SetHighlight(TRUE);
    CHECK(IsOrange(DrawAndRead(scan, 0, 9, 16)));
    CHECK(IsOrange(DrawAndRead(scan, ODS_DISABLED, 9, 16)));  // a focused button keeps its focus image
    ok.SetHighlight(FALSE);
    CHECK(DrawAndRead(ok, ODS_DISABLED, 9, 12) == RGB(0, 255, 0));  // OK has no disabled image
    DestroyWindow(parent);
}

TEST_CASE("focus gained and lost switch the highlight")
{
    HWND parent = MakePopup(400, 200, true);
    AddChild(parent, "BUTTON", "YES", BS_OWNERDRAW | WS_TABSTOP, 6, 0, 0, 50, 20);
    AddChild(parent, "BUTTON", "NO", BS_OWNERDRAW | WS_TABSTOP, 7, 100, 0, 50, 20);
    CWnd host;
    host.SubclassWindow(parent);
    TestButton yes;
    TestButton no;
    yes.SubclassAndLoad(6, &host);
    no.SubclassAndLoad(7, &host);
    SetForegroundWindow(parent);
    yes.SetFocus();
    CHECK(yes.IsHighlighted());
    CHECK_FALSE(no.IsHighlighted());
    no.SetFocus();
    CHECK_FALSE(yes.IsHighlighted());
    CHECK(no.IsHighlighted());
    DestroyWindow(parent);
}

TEST_CASE("the hand cursor is loaded once and kept")
{
    HWND parent = MakePopup(400, 200);
    AddChild(parent, "BUTTON", "SCAN", BS_OWNERDRAW, 1052, 0, 0, 50, 20);
    CWnd host;
    host.SubclassWindow(parent);
    CExButton scan;
    scan.SubclassAndLoad(1052, &host);
    CHECK(scan.GetHandCursor() == nullptr);
    scan.LoadHandCursor();
    HCURSOR first = scan.GetHandCursor();
    CHECK(first != nullptr);
    scan.LoadHandCursor();
    CHECK(scan.GetHandCursor() == first);
    DestroyWindow(parent);
}

// ---------------------------------------------------------------------------------------------
// The coloured label.

namespace {

struct LabelPixels {
    int blue = 0;
    int white = 0;
    int blueBelowFirstLine = 0;
};

LabelPixels PaintLabel(const char* text)
{
    HWND parent = MakePopup(300, 80, true);
    CWnd host;
    host.SubclassWindow(parent);
    AddChild(parent, "STATIC", text, SS_CENTER, IDC_FAMILY_LABEL, 10, 10, 280, 60);
    CExLabel label;
    label.SubclassDlgItem(IDC_FAMILY_LABEL, &host);
    SetWindowPos(parent, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    LabelPixels pixels;
    HDC dc = GetDC(label.m_hWnd);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 280; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            if (c == kLabelBackColour) {
                ++pixels.blue;
                if (y >= 16)  // the font's cells are 15 pixels high
                    ++pixels.blueBelowFirstLine;
            } else if (c == RGB(255, 255, 255)) {
                ++pixels.white;
            }
        }
    ReleaseDC(label.m_hWnd, dc);
    DestroyWindow(parent);
    return pixels;
}

}  // namespace

TEST_CASE("the label paints white text on blue cells from the top, and nothing for an empty text")
{
    LOGFONTA logFont = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
    logFont.lfHeight = 15;
    logFont.lfWeight = FW_BOLD;
    g_labelFont.CreateFontIndirect(&logFont);

    LabelPixels one = PaintLabel("for W32/KYR Trojan");
    CHECK(one.blue > 100);
    CHECK(one.white > 20);
    CHECK(one.blueBelowFirstLine == 0);  // no single-line flag: the text stays at the top

    LabelPixels two = PaintLabel("for W32/KYR\r\nTrojan");
    CHECK(two.blueBelowFirstLine > 0);  // the second line under the first

    LabelPixels none = PaintLabel("");
    CHECK(none.blue == 0);
    CHECK(none.white == 0);
}
