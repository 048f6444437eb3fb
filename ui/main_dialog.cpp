// The tool's main window: start-up layout, the Scan button and the one-shot timer that runs the scan,
// the two private messages the scan drives it with, cancel and close, painting, dragging and links.
#include "ui/main_dialog.h"

#include <shellapi.h>

#include "base/scan_state.h"
#include "base/text.h"
#include "scan/scan.h"
#include "ui/paint_pace.h"
#include "ui/resource.h"
#include "ui/shape.h"
#include "ui/ui.h"
#include "ui/ui_globals.h"

namespace {

const char kNoticeText[] = "Copyright (c) Quorbis. All rights reserved.";
const char kProductLineText[] = "This program is a part of Zentalor antivirus software.";
// The title and status texts built here.
const size_t kWindowTextSize = 260;

// The scan's questions (Escape, restart) hold the walk: the line shows where it stands first.
int AskWithCurrentLinePainted(const char* text, const char* caption, unsigned style)
{
    // Only the main window sets g_mainDialog.
    if (g_mainDialog != nullptr)
        static_cast<MainDialog*>(g_mainDialog)->PaintCurrentLine();
    return ShowMessageDialog(text, caption, style);
}

}  // namespace

bool IsProductInstalled()
{
    ScopedRegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    LONG sizeResult = RegQueryValueExA(key.Get(), kProductValue, nullptr, nullptr, nullptr, &size);
    // The data are never used. A longer value is read no further than the buffer (the call then
    // reports ERROR_MORE_DATA) and still shows that the product is there.
    BYTE data[300] = {};
    DWORD dataSize = sizeof(data);
    LONG dataResult = RegQueryValueExA(key.Get(), kProductValue, nullptr, nullptr, data, &dataSize);
    bool closed = key.Close();
    return closed && sizeResult == ERROR_SUCCESS &&
           (dataResult == ERROR_SUCCESS || dataResult == ERROR_MORE_DATA);
}

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
        char text[sizeof(g_scanState.lineBuffer) + 1];
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

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(MainDialog, CDialog)
    ON_MESSAGE(kShowCurrentMessage, OnShowCurrent)
    ON_MESSAGE(kAppendResultMessage, OnAppendResult)
    ON_WM_TIMER()
    ON_WM_PAINT()
    ON_BN_CLICKED(IDC_SCAN, OnScan)
    ON_BN_CLICKED(IDC_CLOSEBOX, OnCloseBox)
    ON_BN_CLICKED(IDC_DOWNLOAD, OnDownload)
    ON_WM_CTLCOLOR()
    ON_WM_MOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_BN_CLICKED(IDC_MAIN_OK, OnOkButton)
    ON_BN_CLICKED(IDC_DOWNLOAD_LINK, OnDownload)
    ON_BN_CLICKED(IDC_UTILITY_LINK, OnUtilities)
END_MESSAGE_MAP()

MainDialog::MainDialog(CWnd* parent) : CDialog(IDD_MAIN, parent)
{
    m_hIcon = GetApp() ? GetApp()->LoadIcon(IDR_MAINFRAME)
                       : LoadIconA(GetResourceInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

MainDialog::~MainDialog()
{
    // The skin context and brush live as long as the window; it is gone once the modal run is over.
    if (m_hSkinDC != nullptr) {
        if (m_hDisplacedBitmap != nullptr)
            SelectObject(m_hSkinDC, m_hDisplacedBitmap);
        DeleteDC(m_hSkinDC);
    }
    m_skin.DeleteObject();
    g_whiteBrush.DeleteObject();
    if (g_mainDialog == this)
        g_mainDialog = nullptr;
}

void MainDialog::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_LIST_FRAME, m_listFrame);
    DDX_Control(dx, IDC_LOGO, m_logoButton);
    DDX_Control(dx, IDC_UTILITY_LINK, m_utilityLink);
    DDX_Control(dx, IDC_DOWNLOAD_LINK, m_downloadLink);
    DDX_Control(dx, IDC_SEARCHING_LINE, m_searchingLine);
    DDX_Control(dx, IDC_PRODUCT_LINE, m_productLine);
    DDX_Control(dx, IDC_TITLE_LINE, m_titleLine);
    DDX_Control(dx, IDC_NOTICE_LINE, m_noticeLine);
    DDX_Control(dx, IDC_FAMILY_LABEL, m_familyLabel);
    DDX_Control(dx, IDC_MAIN_CANCEL, m_cancelButton);
    DDX_Control(dx, IDC_STATUS_FRAME, m_statusFrame);
    DDX_Control(dx, IDC_CURRENT_FILE, m_currentFile);
    DDX_Control(dx, IDC_RESULT_LIST, m_resultList);
    DDX_Control(dx, IDC_CLOSEBOX, m_closeButton);
    DDX_Control(dx, IDC_DOWNLOAD, m_downloadButton);
    DDX_Control(dx, IDC_SCAN, m_scanButton);
    DDX_Control(dx, IDC_MAIN_OK, m_okButton);
}

BOOL MainDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The scan asks its questions (cancel, restart) in the tool's message dialog.
    g_askQuestion = AskWithCurrentLinePainted;

    m_currentFile.ShowWindow(SW_HIDE);
    m_statusFrame.ShowWindow(SW_HIDE);
    m_searchingLine.ShowWindow(SW_HIDE);
    m_resultList.ShowWindow(SW_HIDE);
    m_listFrame.ShowWindow(SW_HIDE);
    m_cancelButton.ShowWindow(SW_HIDE);
    m_okButton.EnableWindow(FALSE);
    m_okButton.ShowWindow(SW_HIDE);

    g_mainDialog = this;

    HFONT dialogFont = GetFont();
    if (dialogFont == nullptr)
        dialogFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    LOGFONTA logFont = {};
    GetObjectA(dialogFont, sizeof(logFont), &logFont);
    logFont.lfHeight = 15;
    logFont.lfWeight = FW_BOLD;
    logFont.lfUnderline = 0;
    logFont.lfItalic = 0;
    g_labelFont.CreateFontIndirect(&logFont);

    char text[kWindowTextSize];
    FormatText(text, sizeof(text), "%s%s%s%s", kProductTitle, " - Tool to detect and remove all the variants of ",
               kFamilyTitle, " Trojan");
    m_titleLine.SetWindowText(text);
    FormatText(text, sizeof(text), "for %s", kFamilyTitle);
    AppendText(text, sizeof(text), " Trojan");
    m_familyLabel.SetWindowText(text);
    m_noticeLine.SetWindowText(kNoticeText);
    m_productLine.SetWindowText(kProductLineText);

    {
        ScopedWindowDC dc(m_hWnd);
        g_largeFonts = dc.Get() != nullptr && GetDeviceCaps(dc, LOGPIXELSX) >= 120;
    }

    ScaleChildWindows(m_hWnd, kDesignWidth, kDesignHeight);
    MoveWindow(0, 0, kWindowWidth, kWindowHeight, TRUE);

    if (IsProductInstalled()) {
        m_downloadLink.EnableWindow(FALSE);
        m_downloadLink.ShowWindow(SW_HIDE);
        m_downloadButton.EnableWindow(FALSE);
    } else {
        m_productLine.ShowWindow(SW_HIDE);
    }

    g_whiteBrush.CreateSolidBrush(RGB(255, 255, 255));
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    ModifyStyle(0, WS_SYSMENU | WS_MINIMIZEBOX);
    LoadSkin();

    m_okButton.SubclassAndLoad(IDC_MAIN_OK, this);
    m_cancelButton.SubclassAndLoad(IDC_MAIN_CANCEL, this);
    m_scanButton.SubclassAndLoad(IDC_SCAN, this);
    m_downloadButton.SubclassAndLoad(IDC_DOWNLOAD, this);
    m_closeButton.SubclassAndLoad(IDC_CLOSEBOX, this);
    m_utilityLink.SubclassAndLoad(IDC_UTILITY_LINK, this);
    m_downloadLink.SubclassAndLoad(IDC_DOWNLOAD_LINK, this);
    m_logoButton.SubclassAndLoad(IDC_LOGO, this);

    // The single-instance test of the application looks for this title.
    SetWindowText(kProductTitle);

    m_scanButton.LoadHandCursor();
    m_closeButton.LoadHandCursor();
    m_downloadButton.LoadHandCursor();
    m_okButton.LoadHandCursor();
    m_cancelButton.LoadHandCursor();
    m_downloadLink.LoadHandCursor();
    m_utilityLink.LoadHandCursor();
    return TRUE;
}

void MainDialog::LoadSkin()
{
    HBITMAP skin = static_cast<HBITMAP>(
        LoadImageA(GetResourceInstance(), MAKEINTRESOURCEA(IDB_SKIN), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    m_skin.Attach(skin);
    if (skin == nullptr)
        return;
    HRGN region = CreateShapeRegion(skin, kSkinKeyColour, 1);
    // The system owns the region once SetWindowRgn succeeded; a refused one is still ours.
    if (region != nullptr && SetWindowRgn(region, TRUE) == 0)
        DeleteObject(region);

    BITMAP info = {};
    if (m_skin.GetBitmap(&info)) {
        m_nSkinWidth = info.bmWidth;
        m_nSkinHeight = info.bmHeight;
    }
    ScopedWindowDC screen(nullptr);
    m_hSkinDC = CreateCompatibleDC(screen);
    if (m_hSkinDC != nullptr) {
        m_hDisplacedBitmap = SelectObject(m_hSkinDC, skin);
        if (m_hDisplacedBitmap == HGDI_ERROR)
            m_hDisplacedBitmap = nullptr;
    }
}

void MainDialog::OnOK()
{
    // Enter never closes this window; only the OK button, cancel and the close box do.
}

void MainDialog::OnOkButton()
{
    CDialog::OnOK();
}

void MainDialog::OnCancel()
{
    ConfirmTerminate(kProductTitle);
}

void MainDialog::OnCloseBox()
{
    ConfirmTerminate(kCloseBoxCaption);
}

void MainDialog::ConfirmTerminate(const char* caption)
{
    if (!g_scanInProgress) {
        CDialog::OnCancel();
        return;
    }
    PaintCurrentLine();
    if (ShowMessageDialog(kTerminateQuestion, caption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    m_cancelButton.ShowWindow(SW_HIDE);
    m_okButton.ShowWindow(SW_SHOW);
    g_scanState.cancelRequested = true;
}

void MainDialog::OnScan()
{
    g_scanInProgress = true;
    m_scanButton.EnableWindow(FALSE);
    m_utilityLink.EnableWindow(FALSE);
    m_utilityLink.ShowWindow(SW_HIDE);
    m_downloadLink.EnableWindow(FALSE);
    m_downloadLink.ShowWindow(SW_HIDE);
    m_cancelButton.EnableWindow(TRUE);
    m_cancelButton.ShowWindow(SW_SHOW);
    m_okButton.EnableWindow(TRUE);
    m_titleLine.ShowWindow(SW_HIDE);
    m_productLine.ShowWindow(SW_HIDE);
    m_noticeLine.ShowWindow(SW_HIDE);
    m_searchingLine.ShowWindow(SW_SHOW);
    m_resultList.ShowWindow(SW_SHOW);
    m_currentFile.ShowWindow(SW_SHOW);
    m_statusFrame.ShowWindow(SW_SHOW);
    m_listFrame.ShowWindow(SW_SHOW);
    m_statusFrame.SetWindowText("Scanning");

    char text[kWindowTextSize];
    FormatText(text, sizeof(text), "%s%s%s", "Searching for ", kFamilyTitle, " Trojan and its variants");
    m_searchingLine.SetWindowText(text);
    m_searchingFont.CreateFont(15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 32, "Arial");
    m_searchingLine.SetFont(m_searchingFont);

    CopyText(g_scanState.scanTarget, sizeof(g_scanState.scanTarget), "!:");
    g_scanState.mainWindow = m_hWnd;
    g_scanState.dispositionCode = kDispositionRemove;
    // The scan starts from the timer so that the window repaints in its scanning layout first.
    SetTimer(kScanTimerId, kScanTimerDelayMs);
}

void MainDialog::OnTimer(UINT_PTR id)
{
    Default();
    if (id == kCurrentLineTimerId) {
        PaintCurrentLineIfDue();
        return;
    }
    // The walk's message pump dispatches whatever arrives: another timer, or a second one of ours,
    // must not start a scan inside the running one.
    if (id != kScanTimerId || m_bScanRunning)
        return;
    KillTimer(kScanTimerId);
    // Deliberate: a terminate confirmed before the timer fired is dropped here.
    g_scanState.cancelRequested = false;
    m_bScanRunning = true;
    // Paints the last text shown when no later entry comes to do it (a question, a slow file).
    SetTimer(kCurrentLineTimerId, kCurrentLinePaintMs);
    RunScan();
    m_bScanRunning = false;
    KillTimer(kCurrentLineTimerId);
    // The final status is on screen at once.
    PaintCurrentLine();
    m_cancelButton.ShowWindow(SW_HIDE);
    m_okButton.ShowWindow(SW_SHOW);
    m_searchingLine.ShowWindow(SW_HIDE);
    m_statusFrame.SetWindowText("");
    g_scanInProgress = false;
}

LRESULT MainDialog::OnShowCurrent(WPARAM, LPARAM)
{
    // Also runs for WM_ENABLE (same number): the line is simply written again.
    char text[sizeof(g_scanState.currentText) + 1];
    CopyTextN(text, sizeof(text), g_scanState.currentText, sizeof(g_scanState.currentText));
    if (!m_bScanRunning) {
        m_currentFile.SetWindowText(text);
        return 0;
    }
    // The static control paints itself on every WM_SETTEXT, once for every entry of the walk and far
    // more often than any screen shows. The default processing stores the text alone, so that
    // reading the line always gives the latest entry; painting follows at the line's own pace.
    ::DefWindowProcA(m_currentFile.m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    m_bCurrentLineStale = true;
    PaintCurrentLineIfDue();
    return 0;
}

void MainDialog::PaintCurrentLineIfDue()
{
    if (LinePaintDue(m_bCurrentLineStale, m_dwCurrentLinePainted, GetTickCount(), kCurrentLinePaintMs))
        PaintCurrentLine();
}

void MainDialog::PaintCurrentLine()
{
    if (!m_bCurrentLineStale)
        return;
    m_bCurrentLineStale = false;
    m_dwCurrentLinePainted = GetTickCount();
    ::RedrawWindow(m_currentFile.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LRESULT MainDialog::OnAppendResult(WPARAM, LPARAM)
{
    char line[sizeof(g_scanState.lineBuffer) + 1];
    CopyTextN(line, sizeof(line), g_scanState.lineBuffer, sizeof(g_scanState.lineBuffer));
    AppendResultLine(m_resultList, line, g_scanState.keepResultLines);
    // A result names the file the line shows; both are on screen together, as a disposal may pause.
    PaintCurrentLine();
    return 0;
}

void MainDialog::OnPaint()
{
    ScopedPaintDC paint(m_hWnd);
    if (m_hSkinDC != nullptr)
        BitBlt(paint, 0, 0, m_nSkinWidth, m_nSkinHeight, m_hSkinDC, 0, 0, SRCCOPY);
}

HBRUSH MainDialog::OnCtlColor(HDC dc, HWND control, UINT kind)
{
    HBRUSH brush = CDialog::OnCtlColor(dc, control, kind);
    SetBkMode(dc, TRANSPARENT);
    if (control != nullptr && ::GetDlgCtrlID(control) == IDC_FAMILY_LABEL)
        return brush;
    if ((kind == CTLCOLOR_DLG || kind == CTLCOLOR_STATIC) && g_whiteBrush.GetSafeHandle() != nullptr)
        return g_whiteBrush;
    return brush;
}

void MainDialog::OnMove(int, int)
{
    Default();
}

void MainDialog::OnLButtonDown(UINT, POINT point)
{
    // Any point of the client area drags the window, as its missing caption would.
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION,
                MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
    Default();
}

void MainDialog::OnLButtonUp(UINT, POINT)
{
    Default();
}

void MainDialog::OnDownload()
{
    ShellExecuteA(nullptr, "open", kDownloadPage, nullptr, nullptr, SW_SHOWNORMAL);
}

void MainDialog::OnUtilities()
{
    ShellExecuteA(nullptr, "open", kUtilityPage, nullptr, nullptr, SW_SHOWNORMAL);
}
