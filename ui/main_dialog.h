// The tool's main window: the skinned dialog with the Scan button, the result list and the controls
// that run one scan.
#pragma once
#include <windows.h>

#include "base/product.h"
#include "base/win32_scope.h"
#include "ui/cexbutton.h"
#include "ui/cexlabel.h"
#include "ui/framework.h"

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
const int kDesignWidth = 600;         // layout the controls are scaled to
const int kDesignHeight = 337;
const int kWindowWidth = 600;
const int kWindowHeight = 462;
const COLORREF kSkinKeyColour = RGB(255, 0, 255);

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

    // The window's layouts, in the order a scan goes through them.
    enum Layout { kReady, kScanning, kFinished, kLayoutCount };

protected:
    void DoDataExchange(CDataExchange* dx) override;

private:
    // A bitmap button: its control, its member, and whether it shows the hand cursor.
    struct BitmapButton {
        int id;
        CExButton MainDialog::*member;
        bool handCursor;
    };
    static const BitmapButton kButtons[];

    // The steps of OnInitDialog.
    void ApplyLayout(Layout layout);
    void CreateLabelFont();
    void SetLineTexts();
    // The large-fonts flag, the controls scaled to the design size and the window's own size.
    void SizeToDesign();
    void ApplyProductCheck();
    // Background brush, icons and system menu.
    void DressWindow();
    void LoadSkin();
    void LoadButtonImages();
    void LoadHandCursors();

    // Cancel and close box: close when idle, else ask before stopping the scan.
    void ConfirmTerminate(const char* caption);
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
    ScopedBitmapDC m_skinDC;           // holds the skin for painting; released before m_skin
    CFont m_searchingFont;             // stays alive while the searching line shows it
    bool m_bScanRunning = false;       // RunScan is on the stack (its walk dispatches messages)
    bool m_bCurrentLineStale = false;  // the line's text changed since it was last painted
    DWORD m_dwCurrentLinePainted = 0;  // GetTickCount of that paint
};
