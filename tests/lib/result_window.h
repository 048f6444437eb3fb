// Test host window for scan-side code: a hidden window that answers the two private messages
// the way the main window must (150-line clearing unless keepResultLines, selection rule), and
// keeps every line it was sent so that a test can compare them.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

class ResultWindow {
public:
    ResultWindow();   // creates the window and points ScanState::mainWindow at it
    ~ResultWindow();  // destroys it and clears ScanState::mainWindow
    HWND Window() const { return m_window; }

    std::vector<std::string> allLines;      // every line ever appended, in order
    std::vector<std::string> listLines;     // what the result list holds now (cleared at 150)
    std::vector<std::string> currentTexts;  // every text shown in the current-file line
    int selectedIndex = -1;                 // -1: nothing selected

private:
    HWND m_window;
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
};
