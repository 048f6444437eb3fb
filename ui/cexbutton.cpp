// The main window's bitmap buttons: the hand cursor, loaded once.
#include "ui/cexbutton.h"

#include "base/text.h"

namespace {

const WORD kHelpProgramHandCursor = 106;
const WORD kSystemHandCursor = 32649;  // IDC_HAND, from Windows 98 and 2000 on

}  // namespace

BEGIN_MESSAGE_MAP(CExButton, CSkinButton)
    ON_WM_SETCURSOR()
END_MESSAGE_MAP()

CExButton::CExButton() : m_hHandCursor(nullptr)
{
}

CExButton::~CExButton()
{
    if (m_hHandCursor)
        DestroyCursor(m_hHandCursor);
}

void CExButton::LoadHandCursor()
{
    if (m_hHandCursor)
        return;
    char path[MAX_PATH];
    UINT length = GetWindowsDirectoryA(path, sizeof(path));
    if (length > 0 && length < sizeof(path) && AppendText(path, sizeof(path), "\\winhlp32.exe")) {
        ScopedLibrary helpProgram(LoadLibraryA(path));
        if (helpProgram.IsValid()) {
            HCURSOR cursor = LoadCursorA(helpProgram.Get(), MAKEINTRESOURCEA(kHelpProgramHandCursor));
            if (cursor)
                m_hHandCursor = CopyIcon(cursor);  // stays valid once the module is released
        }
    }
    // Systems whose help program has no hand cursor (or no help program) still have their own.
    if (!m_hHandCursor) {
        HCURSOR cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(kSystemHandCursor));
        if (cursor)
            m_hHandCursor = CopyIcon(cursor);
    }
}

BOOL CExButton::OnSetCursor(HWND, UINT, UINT)
{
    if (!m_hHandCursor)
        return static_cast<BOOL>(Default());
    SetCursor(m_hHandCursor);
    return TRUE;
}
