// The main window's bitmap buttons: skinned buttons with the hand cursor.
#pragma once
#include "ui/skin_button.h"

// The main window's buttons: as above, with the hand cursor while the mouse is over them.
class CExButton : public CSkinButton {
    DECLARE_MESSAGE_MAP()
public:
    CExButton();
    ~CExButton() override;

    // Loads the hand cursor once: the help program's cursor 106 where it exists, else the
    // system's hand cursor, else ours.
    void LoadHandCursor();
    HCURSOR GetHandCursor() const { return m_hHandCursor; }

protected:
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT message);

    HCURSOR m_hHandCursor;
};
