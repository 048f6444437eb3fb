// The tool's main window: start-up layout, the Scan button and the one-shot timer that runs the scan,
// the two private messages the scan drives it with, cancel and close, painting, dragging and links.
#include "ui/main_dialog.h"

#include <shellapi.h>

#include "run/scan_state.h"
#include "base/text.h"
#include "scan/scan_run.h"
#include "ui/paint_pace.h"
#include "ui/product_check.h"
#include "ui/resource.h"
#include "ui/result_list.h"
#include "ui/shape.h"
#include "ui/ui.h"
#include "ui/ui_globals.h"
#include "ui/window_sink.h"

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

// What a layout does to one control: its visibility and its enabled state are each left as they
// are, set or cleared.
enum ControlChange : unsigned char {
    kLeave = 0,
    kShow = 1,
    kHide = 2,
    kEnable = 4,
    kDisable = 8,
};

struct ControlLayout {
    int id;
    unsigned char change[MainDialog::kLayoutCount];
};

// The window's three layouts. Ready is set up before the window first shows (the product check
// then adds its own), Scanning when Scan is pressed, Finished when the scan has returned; rows go
// in the order the changes are made.
const ControlLayout kLayouts[] = {
    // control             Ready               Scanning            Finished
    {IDC_SCAN,             {kLeave,            kDisable,           kLeave}},
    {IDC_UTILITY_LINK,     {kLeave,            kDisable | kHide,   kLeave}},
    {IDC_DOWNLOAD_LINK,    {kLeave,            kDisable | kHide,   kLeave}},
    {IDC_MAIN_CANCEL,      {kHide,             kEnable | kShow,    kHide}},
    {IDC_MAIN_OK,          {kDisable | kHide,  kEnable,            kShow}},
    {IDC_TITLE_LINE,       {kLeave,            kHide,              kLeave}},
    {IDC_PRODUCT_LINE,     {kLeave,            kHide,              kLeave}},
    {IDC_NOTICE_LINE,      {kLeave,            kHide,              kLeave}},
    {IDC_SEARCHING_LINE,   {kHide,             kShow,              kHide}},
    {IDC_RESULT_LIST,      {kHide,             kShow,              kLeave}},
    {IDC_CURRENT_FILE,     {kHide,             kShow,              kLeave}},
    {IDC_STATUS_FRAME,     {kHide,             kShow,              kLeave}},
    {IDC_LIST_FRAME,       {kHide,             kShow,              kLeave}},
};

}  // namespace

// The bitmap buttons, in the order they load their images. Each loads the images named after its
// text in the dialog template; the logo keeps the ordinary arrow.
const MainDialog::BitmapButton MainDialog::kButtons[] = {
    {IDC_MAIN_OK, &MainDialog::m_okButton, true},
    {IDC_MAIN_CANCEL, &MainDialog::m_cancelButton, true},
    {IDC_SCAN, &MainDialog::m_scanButton, true},
    {IDC_DOWNLOAD, &MainDialog::m_downloadButton, true},
    {IDC_CLOSEBOX, &MainDialog::m_closeButton, true},
    {IDC_UTILITY_LINK, &MainDialog::m_utilityLink, true},
    {IDC_DOWNLOAD_LINK, &MainDialog::m_downloadLink, true},
    {IDC_LOGO, &MainDialog::m_logoButton, false},
};

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
    // The skin and the brush live as long as the window; it is gone once the modal run is over.
    // The skin leaves its context first: a selected bitmap cannot be deleted.
    m_skinDC.Release();
    m_skin.DeleteObject();
    g_whiteBrush.DeleteObject();
    if (g_mainDialog == this)
        g_mainDialog = nullptr;
}

void MainDialog::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    for (const BitmapButton& button : kButtons)
        DDX_Control(dx, button.id, this->*button.member);
    DDX_Control(dx, IDC_LIST_FRAME, m_listFrame);
    DDX_Control(dx, IDC_SEARCHING_LINE, m_searchingLine);
    DDX_Control(dx, IDC_PRODUCT_LINE, m_productLine);
    DDX_Control(dx, IDC_TITLE_LINE, m_titleLine);
    DDX_Control(dx, IDC_NOTICE_LINE, m_noticeLine);
    DDX_Control(dx, IDC_FAMILY_LABEL, m_familyLabel);
    DDX_Control(dx, IDC_STATUS_FRAME, m_statusFrame);
    DDX_Control(dx, IDC_CURRENT_FILE, m_currentFile);
    DDX_Control(dx, IDC_RESULT_LIST, m_resultList);
}

BOOL MainDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    ApplyLayout(kReady);
    g_mainDialog = this;
    CreateLabelFont();
    SetLineTexts();
    SizeToDesign();
    ApplyProductCheck();
    DressWindow();
    LoadSkin();
    LoadButtonImages();
    // The single-instance test of the application looks for this title.
    SetWindowText(kProductTitle);
    LoadHandCursors();
    return TRUE;
}

void MainDialog::ApplyLayout(Layout layout)
{
    for (const ControlLayout& row : kLayouts) {
        unsigned char change = row.change[layout];
        HWND control = GetDlgItem(row.id);
        if (change & kEnable)
            ::EnableWindow(control, TRUE);
        if (change & kDisable)
            ::EnableWindow(control, FALSE);
        if (change & kShow)
            ::ShowWindow(control, SW_SHOW);
        if (change & kHide)
            ::ShowWindow(control, SW_HIDE);
    }
}

void MainDialog::CreateLabelFont()
{
    // The coloured label's font: the dialog's own, bold and 15 pixels high.
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
}

void MainDialog::SetLineTexts()
{
    char text[kWindowTextSize];
    FormatText(text, sizeof(text), "%s%s%s%s", kProductTitle, " - Tool to detect and remove all the variants of ",
               kFamilyTitle, " Trojan");
    m_titleLine.SetWindowText(text);
    FormatText(text, sizeof(text), "for %s", kFamilyTitle);
    AppendText(text, sizeof(text), " Trojan");
    m_familyLabel.SetWindowText(text);
    m_noticeLine.SetWindowText(kNoticeText);
    m_productLine.SetWindowText(kProductLineText);
}

void MainDialog::SizeToDesign()
{
    {
        ScopedWindowDC dc(m_hWnd);
        g_largeFonts = dc.Get() != nullptr && GetDeviceCaps(dc, LOGPIXELSX) >= 120;
    }
    ScaleChildWindows(m_hWnd, kDesignWidth, kDesignHeight);
    MoveWindow(0, 0, kWindowWidth, kWindowHeight, TRUE);
}

void MainDialog::ApplyProductCheck()
{
    // With the maker's product installed there is nothing to download; without it, no product line.
    if (IsProductInstalled()) {
        m_downloadLink.EnableWindow(FALSE);
        m_downloadLink.ShowWindow(SW_HIDE);
        m_downloadButton.EnableWindow(FALSE);
    } else {
        m_productLine.ShowWindow(SW_HIDE);
    }
}

void MainDialog::DressWindow()
{
    g_whiteBrush.CreateSolidBrush(RGB(255, 255, 255));
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    // A system menu (Minimize, Close) on the task-bar button of a window without a caption.
    ModifyStyle(0, WS_SYSMENU | WS_MINIMIZEBOX);
}

void MainDialog::LoadButtonImages()
{
    for (const BitmapButton& button : kButtons)
        (this->*button.member).SubclassAndLoad(button.id, this);
}

void MainDialog::LoadHandCursors()
{
    for (const BitmapButton& button : kButtons) {
        if (button.handCursor)
            (this->*button.member).LoadHandCursor();
    }
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
    m_skinDC.Hold(skin);
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
    ApplyLayout(kScanning);
    m_statusFrame.SetWindowText("Scanning");

    char text[kWindowTextSize];
    FormatText(text, sizeof(text), "%s%s%s", "Searching for ", kFamilyTitle, " Trojan and its variants");
    m_searchingLine.SetWindowText(text);
    m_searchingFont.CreateFont(15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 32, "Arial");
    m_searchingLine.SetFont(m_searchingFont);

    CopyText(g_scanState.scanTarget, sizeof(g_scanState.scanTarget), kAllFixedDrives);
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
    {
        // The report takes each line before the window: a line the list empties away is kept there.
        ReportSink report(OpeningOfThisRun());
        // The scan asks its questions (cancel, restart) in the tool's message dialog.
        WindowSink window(g_scanState, AskWithCurrentLinePainted);
        ResultFanOut results;
        results.Add(report);
        results.Add(window);
        RunScan(g_scanState, results);
    }
    m_bScanRunning = false;
    KillTimer(kCurrentLineTimerId);
    // The final status is on screen at once.
    PaintCurrentLine();
    ApplyLayout(kFinished);
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
    if (m_skinDC.Get() != nullptr)
        BitBlt(paint, 0, 0, m_nSkinWidth, m_nSkinHeight, m_skinDC.Get(), 0, 0, SRCCOPY);
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
