// The coloured label's painting.
#include "ui/cexlabel.h"

#include "ui/ui_globals.h"

BEGIN_MESSAGE_MAP(CExLabel, CStatic)
    ON_WM_PAINT()
END_MESSAGE_MAP()

CExLabel::CExLabel() : m_crText(0x00FFFFFF)
{
    m_strText[0] = '\0';
    SetRectEmpty(&m_rcClient);
}

void CExLabel::OnPaint()
{
    ScopedPaintDC dc(m_hWnd);
    GetClientRect(&m_rcClient);
    GetWindowText(m_strText, sizeof(m_strText));
    SetTextColor(dc, m_crText);
    // Without a font yet, the context's own font paints.
    ScopedSelect font(dc, g_labelFont.GetSafeHandle());
    // The background mode stays opaque, so only the cells behind the glyphs turn blue.
    SetBkColor(dc, kLabelBackColour);
    // No single-line flag: the text starts at the top and breaks only at its own line breaks.
    DrawTextA(dc, m_strText, -1, &m_rcClient, DT_CENTER | DT_VCENTER);
}
