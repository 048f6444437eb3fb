// The application object: refuses a second copy of the tool and runs the main window as one modal
// dialog, or a quiet run without any window; the process ends when either is over.
#pragma once
#include "ui/framework.h"

const UINT kHelpCommand = 0xE146;  // the framework's standard Help command; nothing issues it

class TarvexApp : public CWinApp {
    DECLARE_MESSAGE_MAP()
public:
    TarvexApp() = default;
    ~TarvexApp() override;
    // Always FALSE: the framework never enters a message loop of its own.
    BOOL InitInstance() override;
    // The process's exit code: the quiet run's outcome, or the help text's code; 0 for the window.
    int ExitInstance() override;

private:
    int m_exitCode = 0;
};

// The one application object (a process-wide static).
extern TarvexApp g_theApp;

// True when some top-level window, of any class, bears the tool's title.
bool IsAnotherCopyRunning();
