// The message dialog and ShowMessageDialog, which every question and notice of the tool goes through.
#include "ui/message_dialog.h"

#include <cstring>

#include "base/product.h"
#include "base/text.h"
#include "ui/message_layout.h"
#include "ui/resource.h"
#include "ui/ui.h"
#include "ui/ui_globals.h"

namespace {


PixelRect ToLayout(const RECT& rect)
{
    PixelRect layout = { rect.left, rect.top, rect.right, rect.bottom };
    return layout;
}

void MoveTo(CWnd& window, const LayoutBox& box)
{
    window.MoveWindow(box.x, box.y, box.width, box.height, TRUE);
}

}  // namespace

BEGIN_MESSAGE_MAP(MessageDialog, CDialog)
    ON_BN_CLICKED(IDC_MSG_YES, OnYes)
    ON_WM_PAINT()
    ON_BN_CLICKED(IDC_MSG_NO, OnNo)
    ON_BN_CLICKED(IDC_MSG_SINGLE_OK, OnSingleOk)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

MessageDialog::MessageDialog(CWnd* parent)
    : CDialog(IDD_MESSAGE, parent), m_nIconId(IDB_MSG_EXCLAMATION), m_bOkOnly(false), m_bOkCancel(false),
      m_bYesNo(false)
{
    m_strMessage[0] = '\0';
    CopyText(m_strCaption, sizeof(m_strCaption), "Molvator Ver 7.5");
    m_backBrush.CreateSolidBrush(kMessageBackColour);
}

BOOL MessageDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    return CDialog::OnCommand(wParam, lParam);
}

void MessageDialog::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_MSG_ICON, m_iconFrame);
    DDX_Control(dx, IDC_MSG_YES, m_btnYes);
    DDX_Control(dx, IDC_MSG_OK, m_btnOk);
    DDX_Control(dx, IDC_MSG_NO, m_btnNo);
    DDX_Control(dx, IDC_MSG_SINGLE_OK, m_btnSingleOk);
    DDX_Control(dx, IDC_MSG_CANCEL, m_btnCancel);
    DDX_Control(dx, IDC_MSG_TEXT, m_textLine);
}

BOOL MessageDialog::OnInitDialog()
{
    CDialog::OnInitDialog();

    MessageGrowth growth = GrowthForTextLength(strlen(m_strMessage));
    RECT rect;
    GetWindowRect(&rect);
    MoveTo(*this, GrownDialogBox(ToLayout(rect), growth));

    // The controls are placed with their screen rectangles taken as positions inside the dialog.
    // With the dialog at the screen origin this shifts them by its frame and caption; the button
    // row and text line are laid out with that shift in mind.
    GetWindowRect(&rect);
    const int32_t dialogBottom = rect.bottom;

    RECT textRect;
    m_textLine.GetWindowRect(&textRect);
    MoveTo(m_textLine, MovedTextBox(ToLayout(textRect), growth, g_largeFonts));
    const int32_t iconTop = MovedIconTop(ToLayout(textRect));

    CWnd* buttons[] = { &m_btnSingleOk, &m_btnOk, &m_btnCancel, &m_btnYes, &m_btnNo };
    for (CWnd* button : buttons) {
        RECT buttonRect;
        button->GetWindowRect(&buttonRect);
        MoveTo(*button, MovedButtonBox(ToLayout(buttonRect), dialogBottom, growth));
    }

    m_btnSingleOk.ShowWindow(m_bOkOnly ? SW_SHOW : SW_HIDE);
    m_btnOk.ShowWindow(m_bOkCancel ? SW_SHOW : SW_HIDE);
    m_btnCancel.ShowWindow(m_bOkCancel ? SW_SHOW : SW_HIDE);
    m_btnYes.ShowWindow(m_bYesNo ? SW_SHOW : SW_HIDE);
    m_btnNo.ShowWindow(m_bYesNo ? SW_SHOW : SW_HIDE);

    m_btnOk.SubclassAndLoad(IDC_MSG_OK, this);
    m_btnSingleOk.SubclassAndLoad(IDC_MSG_SINGLE_OK, this);
    m_btnCancel.SubclassAndLoad(IDC_MSG_CANCEL, this);
    m_btnYes.SubclassAndLoad(IDC_MSG_YES, this);
    m_btnNo.SubclassAndLoad(IDC_MSG_NO, this);

    if (IconMoves(growth)) {
        RECT iconRect;
        m_iconFrame.GetWindowRect(&iconRect);
        m_iconFrame.MoveWindow(iconRect.left, iconTop, iconRect.right - iconRect.left, iconRect.bottom - iconRect.top,
                               TRUE);
    }

    m_textLine.SetWindowText(m_strMessage);
    SetWindowText(m_strCaption[0] ? m_strCaption : kProductTitle);
    if (g_mainDialog && g_mainDialog->m_hWnd)
        CenterWindow(g_mainDialog->m_hWnd);
    return TRUE;
}

void MessageDialog::OnOK()
{
    // Enter takes the default button, Yes in a Yes/No question, so that every caller reads it alike.
    EndDialog(m_bYesNo ? IDYES : IDOK);
}

void MessageDialog::OnCancel()
{
    // Escape and the close box answer "No" to a Yes/No question.
    EndDialog(m_bYesNo ? IDNO : IDCANCEL);
}

void MessageDialog::OnYes()
{
    EndDialog(IDYES);
}

void MessageDialog::OnNo()
{
    EndDialog(IDNO);
}

void MessageDialog::OnSingleOk()
{
    EndDialog(IDOK);
}

void MessageDialog::OnPaint()
{
    ScopedPaintDC paint(m_hWnd);
    ScopedBitmap icon(static_cast<HBITMAP>(LoadImageA(GetResourceInstance(), MAKEINTRESOURCEA(m_nIconId),
                                                      IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    if (!icon.Get())
        return;
    RECT frame;
    m_iconFrame.GetClientRect(&frame);
    ScopedWindowDC frameDC(m_iconFrame.m_hWnd);
    ScopedMemDC memoryDC(frameDC);
    ScopedSelect selected(memoryDC, icon);
    if (selected.Ok())
        BitBlt(frameDC, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, memoryDC, 0, 0,
               SRCCOPY);
}

HBRUSH MessageDialog::OnCtlColor(HDC dc, HWND control, UINT kind)
{
    HBRUSH brush = CDialog::OnCtlColor(dc, control, kind);
    SetBkMode(dc, TRANSPARENT);
    if (kind == CTLCOLOR_DLG || kind == CTLCOLOR_STATIC)
        return m_backBrush;
    return brush;
}

int ShowMessageDialog(const char* text, const char* caption, unsigned style)
{
    MessageDialog dialog(nullptr);
    CopyText(dialog.m_strMessage, sizeof(dialog.m_strMessage), text ? text : "");
    CopyText(dialog.m_strCaption, sizeof(dialog.m_strCaption), caption ? caption : "");
    switch (ButtonSetForStyle(style)) {
    case kMessageOkCancel:
        dialog.m_bOkCancel = true;
        break;
    case kMessageYesNo:
        dialog.m_bYesNo = true;
        break;
    case kMessageOkOnly:
        dialog.m_bOkOnly = true;
        break;
    }
    dialog.m_nIconId = IconIdForStyle(style);
    return static_cast<int>(dialog.DoModal());
}
