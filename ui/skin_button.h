// Skinned bitmap buttons: every state of the button is a bitmap named after its caption (_FOCUS,
// _NOTFOCUS, _DISABLE); hovering gives the button the focus and its highlighted image.
#pragma once
#include "ui/framework.h"

// What the main window's and the message dialog's buttons share.
class CSkinButton : public CButton {
    DECLARE_MESSAGE_MAP()
public:
    CSkinButton();

    // Attaches to control id of parent unless already attached, then loads the images named after
    // the window text. FALSE when it cannot attach or the text is empty.
    BOOL SubclassAndLoad(UINT id, CWnd* parent);
    // Loads the three images by resource name (the disabled one may be missing) and sizes the
    // button to the normal one. FALSE when the focus or normal image is missing.
    BOOL LoadStateBitmaps(const char* focusName, const char* normalName, const char* disabledName);
    // Sizes the window to the normal image, keeping its top-left corner.
    BOOL SizeToBitmap();

    void DrawItem(DRAWITEMSTRUCT* drawItem) override;

    BOOL IsHighlighted() const { return m_bHighlight; }

protected:
    void OnMouseMove(UINT flags, POINT point);
    void OnSetFocus(HWND previous);
    void OnKillFocus(HWND next);
    void Repaint() { InvalidateRect(nullptr, FALSE); }

    BOOL m_bHighlight;
    RECT m_rcButton;
    CBitmap m_bmpDisable;
    CBitmap m_bmpNotFocus;
    CBitmap m_bmpFocus;
};
