// Test program for the user interface, driven from outside by the automation client.
//   ui_probe message STYLE TEXT [CAPTION] [large]
//       shows the message dialog (STYLE decimal or 0x hex; "large" sets the large-fonts flag),
//       prints "RESULT <code>" and exits with the code.
//   ui_probe buttons
//       a window "Tarvex button probe" on a green background with the skinned buttons SCAN
//       (1052), DOWNLOAD (1053) and OK (1070, disabled from the start: it has no disabled image).
//       An empty static (1065) gives the mouse a place away from the buttons.
//       Clicking SCAN disables it, as the main window does. Prints "CURSOR <0|1>" (hand cursor
//       loaded) and "CLICK <id>" for each click; closes on WM_CLOSE.
//   ui_probe label TEXT
//       a window "Tarvex label probe" with a coloured label over a black background.
//   ui_probe skin
//       a window "Tarvex skin probe" shaped by the skin bitmap and painted with it.
//   ui_probe template
//       prints "TEXTLINE <width> <height>": the message dialog's text line as its template makes it
//       in pixels with the fonts of this machine, before the dialog moves anything.
//   ui_probe pointer X Y
//       moves the mouse pointer to the screen point, so that no earlier scenario's pointer
//       position hovers over the next window's buttons.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/product.h"
#include "ui/cexbutton.h"
#include "ui/cexlabel.h"
#include "ui/resource.h"
#include "ui/shape.h"
#include "ui/ui.h"
#include "ui/ui_globals.h"

namespace {

void Print(const char* format, int value)
{
    std::printf(format, value);
    std::fflush(stdout);
}

HWND MakeTopWindow(const char* title, int width, int height, COLORREF background, DWORD style)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = CreateSolidBrush(background);
    windowClass.lpszClassName = title;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, title, title, style, 40, 40, width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                           nullptr);
}

int RunLoop()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

class ProbeWindow : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    CExButton m_scan;
    CExButton m_download;
    CExButton m_ok;
    CExLabel m_label;
    ScopedBitmap m_skin;

protected:
    void OnScan()
    {
        Print("CLICK %d\n", IDC_SCAN);
        m_scan.EnableWindow(FALSE);
    }
    void OnDownload() { Print("CLICK %d\n", IDC_DOWNLOAD); }
    LRESULT OnDestroy(WPARAM, LPARAM)
    {
        PostQuitMessage(0);
        return 0;
    }
    void OnPaint()
    {
        ScopedPaintDC dc(m_hWnd);
        if (!m_skin.Get())
            return;
        BITMAP bitmap;
        GetObjectA(m_skin, sizeof(bitmap), &bitmap);
        ScopedMemDC memoryDC(dc);
        ScopedSelect selected(memoryDC, m_skin);
        BitBlt(dc, 0, 0, bitmap.bmWidth, bitmap.bmHeight, memoryDC, 0, 0, SRCCOPY);
    }
};

BEGIN_MESSAGE_MAP(ProbeWindow, CWnd)
    ON_BN_CLICKED(IDC_SCAN, OnScan)
    ON_BN_CLICKED(IDC_DOWNLOAD, OnDownload)
    ON_MESSAGE(WM_DESTROY, OnDestroy)
    ON_WM_PAINT()
END_MESSAGE_MAP()

HWND AddChild(HWND parent, const char* className, const char* text, DWORD style, int id, int x, int y, int w, int h)
{
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

int RunButtons()
{
    HWND window = MakeTopWindow("Tarvex button probe", 460, 200, RGB(0, 255, 0), WS_POPUP | WS_CAPTION | WS_SYSMENU);
    ProbeWindow probe;
    probe.SubclassWindow(window);
    AddChild(window, "BUTTON", "SCAN", WS_TABSTOP | BS_OWNERDRAW, IDC_SCAN, 20, 20, 50, 20);
    AddChild(window, "BUTTON", "DOWNLOAD", WS_TABSTOP | BS_OWNERDRAW, IDC_DOWNLOAD, 240, 20, 50, 20);
    AddChild(window, "BUTTON", "OK", WS_TABSTOP | BS_OWNERDRAW | WS_DISABLED, IDC_MAIN_OK, 20, 100, 50, 20);
    AddChild(window, "STATIC", "", 0, IDC_CURRENT_FILE, 240, 100, 180, 24);
    probe.m_scan.SubclassAndLoad(IDC_SCAN, &probe);
    probe.m_download.SubclassAndLoad(IDC_DOWNLOAD, &probe);
    probe.m_ok.SubclassAndLoad(IDC_MAIN_OK, &probe);
    probe.m_scan.LoadHandCursor();
    probe.m_download.LoadHandCursor();
    Print("CURSOR %d\n", probe.m_scan.GetHandCursor() != nullptr);
    ShowWindow(window, SW_SHOW);
    return RunLoop();
}

int RunLabel(const char* text)
{
    HWND window = MakeTopWindow("Tarvex label probe", 420, 120, RGB(0, 0, 0), WS_POPUP | WS_CAPTION | WS_SYSMENU);
    ProbeWindow probe;
    probe.SubclassWindow(window);
    AddChild(window, "STATIC", text, SS_CENTER, IDC_FAMILY_LABEL, 10, 20, 380, 40);
    LOGFONTA logFont = {};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
    logFont.lfHeight = 15;
    logFont.lfWeight = FW_BOLD;
    g_labelFont.CreateFontIndirect(&logFont);
    probe.m_label.SubclassDlgItem(IDC_FAMILY_LABEL, &probe);
    ShowWindow(window, SW_SHOW);
    return RunLoop();
}

int RunSkin()
{
    HWND window = MakeTopWindow("Tarvex skin probe", 600, 462, RGB(0, 0, 0), WS_POPUP);
    ProbeWindow probe;
    probe.SubclassWindow(window);
    probe.m_skin.Reset(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_SKIN),
                                                       IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    HRGN region = CreateShapeRegion(probe.m_skin, RGB(255, 0, 255), TRUE);
    if (region)
        SetWindowRgn(window, region, TRUE);
    Print("REGION %d\n", region != nullptr);
    ShowWindow(window, SW_SHOW);
    return RunLoop();
}

INT_PTR CALLBACK TemplateOnlyProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

int PrintTemplateTextLine()
{
    // The template has no WS_VISIBLE: the dialog is made, measured and destroyed unseen.
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MESSAGE), nullptr,
                                     TemplateOnlyProc, 0);
    if (!dialog)
        return 1;
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, IDC_MSG_TEXT), &rect);
    std::printf("TEXTLINE %ld %ld\n", rect.right - rect.left, rect.bottom - rect.top);
    std::fflush(stdout);
    DestroyWindow(dialog);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int argc = __argc;
    char** argv = __argv;
    if (argc >= 4 && std::strcmp(argv[1], "message") == 0) {
        unsigned style = static_cast<unsigned>(std::strtoul(argv[2], nullptr, 0));
        const char* caption = argc >= 5 ? argv[4] : kProductTitle;
        g_largeFonts = argc >= 6 && std::strcmp(argv[5], "large") == 0;
        int code = ShowMessageDialog(argv[3], caption, style);
        Print("RESULT %d\n", code);
        return code;
    }
    if (argc >= 2 && std::strcmp(argv[1], "buttons") == 0)
        return RunButtons();
    if (argc >= 3 && std::strcmp(argv[1], "label") == 0)
        return RunLabel(argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "skin") == 0)
        return RunSkin();
    if (argc >= 2 && std::strcmp(argv[1], "template") == 0)
        return PrintTemplateTextLine();
    if (argc >= 4 && std::strcmp(argv[1], "pointer") == 0)
        return SetCursorPos(std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
    Print("usage error%d\n", 0);
    return 99;
}
