// The tool's main window: the skinned dialog with the Scan button, the result list and the controls
// that run one scan, plus the result-list and product-check rules it applies.
#pragma once
#include <windows.h>

#include "base/product.h"
#include "ui/cexbutton.h"
#include "ui/cexlabel.h"
#include "ui/framework.h"

const char kProductKey[] = "Software\\Quorbis\\Zentalor 2000";
const char kProductValue[] = "Installed Folder";
const char kCloseBoxCaption[] = "DialogBoxTitle";
const char kDownloadPage[] = "http://www.quorbis.example/download/downloadnow.htm";
const char kUtilityPage[] = "http://www.quorbis.example/download/utility.htm";

const UINT_PTR kScanTimerId = 100;
const UINT kScanTimerDelayMs = 100;
// While a scan runs the current-file line changes for every entry, thousands of times a second:
// its text stays current but it is painted at most this often, about two screen frames.
// Any id will do: the walk takes only key-downs and typed characters of Escape for Escape, never
// a timer message whose id happens to equal the key's code.
const UINT_PTR kCurrentLineTimerId = 101;
const UINT kCurrentLinePaintMs = 30;
const int kResultListLimit = 150;     // lines the list keeps during the walk
const int kExtentThreshold = 560;     // pixels: narrower lines never widen the scroll range
const int kDesignWidth = 600;         // layout the controls are scaled to
const int kDesignHeight = 337;
const int kWindowWidth = 600;
const int kWindowHeight = 462;
const COLORREF kSkinKeyColour = RGB(255, 0, 255);

// True when the maker's antivirus product is installed: its key opens and holds the value
// "Installed Folder" (whatever its type or length; the data are not used).
bool IsProductInstalled();
// The result list's clearing rule: true when a list that holds lineCount lines is emptied before
// the next one is added.
bool ResultListClearsBefore(long lineCount, bool keepResultLines);
// Appends line to the result list: clears the list first once it holds kResultListLimit lines
// (unless keepResultLines), selects the newest line from the third on, then widens the
// horizontal scroll range when a line is wider than kExtentThreshold.
void AppendResultLine(HWND list, const char* line, bool keepResultLines);
// Sets the list's horizontal extent to 3/4 of its widest line's width, measured in the default
// font of a plain device context of the list, when that width exceeds both the current extent
// and kExtentThreshold.
void UpdateHorizontalExtent(HWND list);

class MainDialog : public CDialog {
    DECLARE_MESSAGE_MAP()
public:
    explicit MainDialog(CWnd* parent = nullptr);
    ~MainDialog() override;

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    LRESULT OnShowCurrent(WPARAM wParam, LPARAM lParam);
    LRESULT OnAppendResult(WPARAM wParam, LPARAM lParam);
    void OnTimer(UINT_PTR id);
    void OnPaint();
    void OnScan();
    void OnCloseBox();
    void OnDownload();
    void OnUtilities();
    void OnOkButton();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);
    void OnMove(int x, int y);
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);

    // Paints the current-file line now when its text changed since it was last painted.
    void PaintCurrentLine();

protected:
    void DoDataExchange(CDataExchange* dx) override;

private:
    // Cancel and close box: close when idle, else ask before stopping the scan.
    void ConfirmTerminate(const char* caption);
    void LoadSkin();
    // Paints the current-file line when its text changed and the last paint is kCurrentLinePaintMs old.
    void PaintCurrentLineIfDue();

    CButton m_listFrame;
    CExButton m_logoButton;
    CExButton m_utilityLink;
    CExButton m_downloadLink;
    CStatic m_searchingLine;
    CStatic m_productLine;
    CStatic m_titleLine;
    CStatic m_noticeLine;
    CExLabel m_familyLabel;
    CExButton m_cancelButton;
    CButton m_statusFrame;
    CStatic m_currentFile;
    CListBox m_resultList;
    CExButton m_closeButton;
    CExButton m_downloadButton;
    CExButton m_scanButton;
    CExButton m_okButton;

    HICON m_hIcon;
    CBitmap m_skin;
    int m_nSkinWidth = 0;
    int m_nSkinHeight = 0;
    HDC m_hSkinDC = nullptr;            // memory context holding the skin for painting
    HGDIOBJ m_hDisplacedBitmap = nullptr;
    CFont m_searchingFont;             // stays alive while the searching line shows it
    bool m_bScanRunning = false;       // RunScan is on the stack (its walk dispatches messages)
    bool m_bCurrentLineStale = false;  // the line's text changed since it was last painted
    DWORD m_dwCurrentLinePainted = 0;  // GetTickCount of that paint
};
