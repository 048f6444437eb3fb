// The coloured label: its window text in white, on a blue text background, in the shared bold font.
#pragma once
#include "ui/framework.h"

class CExLabel : public CStatic {
    DECLARE_MESSAGE_MAP()
public:
    CExLabel();

protected:
    void OnPaint();

    char m_strText[256];  // the window text, read again at every paint
    RECT m_rcClient;      // the client rectangle, read again at every paint
    COLORREF m_crText;
};

// Text background of the label: red 2, green 77, blue 246.
const COLORREF kLabelBackColour = 0x00F64D02;
