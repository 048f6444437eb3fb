// The question after a find in memory: its exact text, caption and buttons, that only OK restarts,
// and how the restart switch and a quiet run answer it without a dialog.
#include <windows.h>

#include <doctest.h>

#include <string>

#include "base/product.h"
#include "run/report_sink.h"
#include "run/run_options.h"
#include "run/scan_state.h"
#include "scan/scan_run.h"
#include "scan/memory_scan.h"
#include "ui/resource.h"
#include "ui/ui.h"
#include "ui/window_sink.h"

namespace {

const char kExpectedText[] =
    "W32/KYR.Trojan found in memory! registry entries created by the worm are removed. You must "
    "restart the computer and run this program to continue scanning.\n\nRestart the computer now?";

int g_restarts = 0;

int CountRestart()
{
    ++g_restarts;
    return 1;
}

struct Answerer {
    int button;  // control id to press
    std::string text;
    bool okVisible = false;
    bool cancelVisible = false;
    bool singleOkVisible = true;
    bool seen = false;
    volatile LONG stop = 0;  // set when no question is expected
};

BOOL CALLBACK FindQuestion(HWND window, LPARAM found)
{
    char title[64];
    if (IsWindowVisible(window) && GetWindowTextA(window, title, sizeof(title)) > 0 &&
        std::string(title) == kProductTitle && GetDlgItem(window, IDC_MSG_TEXT) != nullptr) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Waits for the question, notes what it shows and presses the chosen button.
DWORD WINAPI Answer(void* parameter)
{
    Answerer& answerer = *static_cast<Answerer*>(parameter);
    for (int i = 0; i < 200 && !answerer.stop; ++i) {
        HWND dialog = nullptr;
        EnumWindows(FindQuestion, reinterpret_cast<LPARAM>(&dialog));
        if (dialog != nullptr) {
            char text[400] = "";
            GetDlgItemTextA(dialog, 1086, text, sizeof(text));
            answerer.text = text;
            answerer.okVisible = IsWindowVisible(GetDlgItem(dialog, IDOK)) != 0;
            answerer.cancelVisible = IsWindowVisible(GetDlgItem(dialog, IDCANCEL)) != 0;
            answerer.singleOkVisible = IsWindowVisible(GetDlgItem(dialog, 3)) != 0;
            answerer.seen = true;
            PostMessageA(GetDlgItem(dialog, answerer.button), BM_CLICK, 0, 0);
            return 0;
        }
        Sleep(50);
    }
    return 1;
}

TEST_CASE("after a find in memory only OK on the question restarts")
{
    struct Row {
        const char* label;
        int32_t flag;
        int button;
        int answer;
        int restarts;
    };
    const Row rows[] = {
        {"OK restarts", 1, IDOK, IDOK, 1},
        {"Cancel does not", 1, IDCANCEL, IDCANCEL, 0},
        {"no question without the flag", 0, IDOK, 0, 0},
    };
    // The window's sink, asking in the message dialog.
    WindowSink window(g_scanState, ShowMessageDialog);
    ResultFanOut results;
    results.Add(window);
    ResultSink* standing = g_scanState.results;
    g_scanState.results = &results;
    for (const Row& row : rows) {
        INFO(row.label);
        g_restarts = 0;
        g_memoryRestartNeeded = row.flag;
        Answerer answerer;
        answerer.button = row.button;
        HANDLE thread = CreateThread(nullptr, 0, Answer, &answerer, 0, nullptr);
        int answer = AskRestartAfterMemoryFind(g_scanState, CountRestart);
        if (row.flag == 0)
            InterlockedExchange(&answerer.stop, 1);  // nothing to answer
        WaitForSingleObject(thread, 15000);
        CloseHandle(thread);
        CHECK(answer == row.answer);
        CHECK(g_restarts == row.restarts);
        CHECK(answerer.seen == (row.flag != 0));
        if (row.flag != 0) {
            CHECK(answerer.text == kExpectedText);
            CHECK(answerer.okVisible);
            CHECK(answerer.cancelVisible);
            CHECK_FALSE(answerer.singleOkVisible);
        }
    }
    g_scanState.results = standing;
    g_memoryRestartNeeded = 0;
}

TEST_CASE("after a find in memory the restart switch restarts without asking; a quiet run alone never restarts")
{
    // No dialog may open: the standing window sink has nobody to ask, so a question that reached
    // it would answer -1. A quiet run answers through its own sink.
    QuietRunSink quietRun(OpeningOfThisRun());
    ResultFanOut quietResults;
    quietResults.Add(quietRun);
    ResultSink* standing = g_scanState.results;
    struct Row {
        const char* label;
        bool quiet;
        bool restart;
        int answer;
        int restarts;
    };
    const Row rows[] = {
        {"window with the restart switch", false, true, IDOK, 1},
        {"quiet with the restart switch", true, true, IDOK, 1},
        {"quiet alone", true, false, IDCANCEL, 0},
    };
    g_memoryRestartNeeded = 1;
    for (const Row& row : rows) {
        INFO(row.label);
        g_runOptions = RunOptions{};
        g_runOptions.quiet = row.quiet;
        g_runOptions.restart = row.restart;
        g_restarts = 0;
        g_scanState.results = row.quiet ? &quietResults : standing;
        CHECK(AskRestartAfterMemoryFind(g_scanState, CountRestart) == row.answer);
        CHECK(g_restarts == row.restarts);
    }
    g_scanState.results = standing;
    g_runOptions = RunOptions{};
    g_memoryRestartNeeded = 0;
}

}  // namespace
