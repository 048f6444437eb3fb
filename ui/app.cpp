// The application object of the tool and its single-instance start.
#include "ui/app.h"

#include "ui/main_dialog.h"

BEGIN_MESSAGE_MAP(TarvexApp, CWinApp)
    ON_COMMAND(kHelpCommand, OnHelp)
END_MESSAGE_MAP()

// The one application object; built before WinMain runs.
TarvexApp g_theApp;

TarvexApp::~TarvexApp() = default;

bool IsAnotherCopyRunning()
{
    return FindWindowA(nullptr, kProductTitle) != nullptr;
}

BOOL TarvexApp::InitInstance()
{
    // No ActiveX controls are hosted and no 3-D control library is needed: both set-up calls of the
    // framework would change nothing on the target systems, so there are none here.

    // A second start ends silently; the window it found is left exactly as it is.
    if (IsAnotherCopyRunning())
        return FALSE;
    MainDialog dialog;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
