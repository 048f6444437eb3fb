// Skinned bitmap buttons: image loading by caption, drawing, hover and focus tracking.
#include "ui/skin_button.h"

#include "base/text.h"

namespace {

// Bitmaps of the program's own resources at their own size; the 3-D greys of palette images
// follow the system's colours.
HBITMAP LoadButtonImage(const char* name)
{
    return static_cast<HBITMAP>(LoadImageA(GetResourceInstance(), name, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
}

}  // namespace

BEGIN_MESSAGE_MAP(CSkinButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_WM_KILLFOCUS()
    ON_WM_SETFOCUS()
END_MESSAGE_MAP()

CSkinButton::CSkinButton() : m_bHighlight(0)
{
    SetRectEmpty(&m_rcButton);
}

BOOL CSkinButton::SubclassAndLoad(UINT id, CWnd* parent)
{
    if (!m_hWnd && !SubclassDlgItem(id, parent))
        return FALSE;
    char text[64];
    GetWindowText(text, sizeof(text));
    if (!text[0])
        return FALSE;
    char focusName[80];
    char normalName[80];
    char disabledName[80];
    FormatText(focusName, sizeof(focusName), "%s_FOCUS", text);
    FormatText(normalName, sizeof(normalName), "%s_NOTFOCUS", text);
    FormatText(disabledName, sizeof(disabledName), "%s_DISABLE", text);
    LoadStateBitmaps(focusName, normalName, disabledName);
    return TRUE;
}

BOOL CSkinButton::LoadStateBitmaps(const char* focusName, const char* normalName, const char* disabledName)
{
    m_bmpFocus.DeleteObject();
    m_bmpNotFocus.DeleteObject();
    m_bmpDisable.DeleteObject();

    HBITMAP focus = LoadButtonImage(focusName);
    if (!focus)
        return FALSE;
    m_bmpFocus.Attach(focus);
    HBITMAP normal = LoadButtonImage(normalName);
    if (!normal)
        return FALSE;
    m_bmpNotFocus.Attach(normal);
    HBITMAP disabled = LoadButtonImage(disabledName);
    if (disabled)
        m_bmpDisable.Attach(disabled);
    return SizeToBitmap();
}

BOOL CSkinButton::SizeToBitmap()
{
    BITMAP bitmap;
    if (!m_bmpNotFocus.GetBitmap(&bitmap))
        return FALSE;
    if (!SetWindowPos(nullptr, 0, 0, bitmap.bmWidth, bitmap.bmHeight,
                      SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE))
        return FALSE;
    SetRect(&m_rcButton, 0, 0, bitmap.bmWidth, bitmap.bmHeight);
    return TRUE;
}

void CSkinButton::DrawItem(DRAWITEMSTRUCT* drawItem)
{
    // The highlight wins over the disabled state: a focused button that gets disabled keeps its
    // focus image until it loses the focus.
    HBITMAP image;
    if (m_bHighlight)
        image = m_bmpFocus;
    else if (drawItem->itemState & ODS_DISABLED)
        image = m_bmpDisable;
    else
        image = m_bmpNotFocus;

    ScopedMemDC memoryDC(drawItem->hDC);
    ScopedSelect selected(memoryDC, image);
    if (!selected.Ok())
        return;  // no image for this state: nothing is drawn
    const RECT& item = drawItem->rcItem;
    BitBlt(drawItem->hDC, item.left, item.top, item.right - item.left, item.bottom - item.top, memoryDC, 0, 0,
           SRCCOPY);
}

void CSkinButton::OnMouseMove(UINT, POINT point)
{
    if (::GetCapture() != m_hWnd) {
        // The capture tells when the mouse leaves again.
        SetFocus();
        m_bHighlight = 1;
        SetCapture();
        Repaint();
    } else if (!PtInRect(&m_rcButton, point) && ::GetCapture() == m_hWnd) {
        ReleaseCapture();
        m_bHighlight = 0;
        Repaint();
    }
    Default();
}

void CSkinButton::OnKillFocus(HWND)
{
    Default();
    m_bHighlight = 0;
    Repaint();
}

void CSkinButton::OnSetFocus(HWND)
{
    Default();
    m_bHighlight = 1;
    Repaint();
}
