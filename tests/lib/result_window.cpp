// Hidden host window that records what the scan code reports.
#include "tests/lib/result_window.h"

#include "run/scan_state.h"
#include "ui/result_list.h"
#include "scan/scan_run.h"

namespace {
const char kClassName[] = "TarvexResultWindow";
}

ResultWindow::ResultWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    m_window = CreateWindowA(kClassName, "sink", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             wc.hInstance, nullptr);
    SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    g_scanState.mainWindow = m_window;
}

ResultWindow::~ResultWindow()
{
    if (g_scanState.mainWindow == m_window)
        g_scanState.mainWindow = nullptr;
    DestroyWindow(m_window);
}

LRESULT CALLBACK ResultWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    ResultWindow* self = reinterpret_cast<ResultWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message == kAppendResultMessage) {
        if (ResultListClearsBefore(static_cast<long>(self->listLines.size()), g_scanState.keepResultLines))
            self->listLines.clear();
        self->listLines.push_back(g_scanState.lineBuffer);
        self->allLines.push_back(g_scanState.lineBuffer);
        size_t n = self->listLines.size();
        self->selectedIndex = n > 2 ? static_cast<int>(n - 1) : -1;
        return 0;
    }
    if (self != nullptr && message == kShowCurrentMessage) {
        self->currentTexts.push_back(g_scanState.currentText);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
