// The main window's messages 10 and 11 when the system sends them: the numbers are also WM_ENABLE
// and WM_SETREDRAW, and the window's own handlers take both. Each case compares what the window and
// its controls received with a table of expected messages.
#include <doctest.h>
#include <windows.h>

#include <iterator>
#include <string>
#include <vector>

#include "run/scan_state.h"
#include "base/text.h"
#include "ui/main_dialog.h"
#include "ui/resource.h"
#include "scan/scan_run.h"

namespace {

enum Target { kMain, kCurrentFile, kResultList };

// One expected message: where it goes, its number and, when checkWParam is set, its wParam.
struct ExpectedMessage {
    Target target;
    UINT message;
    bool checkWParam;
    WPARAM wParam;
};

struct SeenMessage {
    Target target;
    UINT message;
    WPARAM wParam;
};

// Only these messages are recorded; painting, focus and colour traffic differ between systems.
const UINT kWatched[] = {
    WM_ENABLE, WM_SETREDRAW, WM_SETTEXT, LB_RESETCONTENT, LB_ADDSTRING, LB_SETCURSEL,
};

HWND g_windows[3];
std::vector<SeenMessage> g_seen;
bool g_recording = false;

LRESULT CALLBACK RecordSent(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && g_recording) {
        for (UINT watched : kWatched) {
            if (sent->message != watched)
                continue;
            for (int target = kMain; target <= kResultList; ++target) {
                if (sent->hwnd == g_windows[target])
                    g_seen.push_back({static_cast<Target>(target), sent->message, sent->wParam});
            }
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string Describe(Target target, UINT message, WPARAM wParam)
{
    static const char* const kTargets[] = {"main", "current file", "result list"};
    char text[96];
    FormatText(text, sizeof(text), "%s: 0x%04x wParam %u", kTargets[target], message, static_cast<unsigned>(wParam));
    return text;
}

// Compares the recorded messages with the expected ones, reporting the first difference.
void CheckSequence(const char* label, const ExpectedMessage* expected, size_t count)
{
    CAPTURE(label);
    for (size_t i = 0; i < count || i < g_seen.size(); ++i) {
        CAPTURE(i);
        if (i >= g_seen.size()) {
            FAIL_CHECK("missing " << Describe(expected[i].target, expected[i].message, expected[i].wParam));
            return;
        }
        const SeenMessage& seen = g_seen[i];
        if (i >= count) {
            FAIL_CHECK("unexpected " << Describe(seen.target, seen.message, seen.wParam));
            return;
        }
        bool same = seen.target == expected[i].target && seen.message == expected[i].message &&
                    (!expected[i].checkWParam || seen.wParam == expected[i].wParam);
        if (!same) {
            FAIL_CHECK("wanted " << Describe(expected[i].target, expected[i].message, expected[i].wParam) << ", got "
                                 << Describe(seen.target, seen.message, seen.wParam));
            return;
        }
    }
}

std::string WindowText(HWND window)
{
    char text[300] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

int ListCount() { return static_cast<int>(SendMessageA(g_windows[kResultList], LB_GETCOUNT, 0, 0)); }

// The steps run from a message posted at initialisation, on the shown window, as the system finds
// it when it sends these numbers.
class ProbedMainDialog : public MainDialog {
    DECLARE_MESSAGE_MAP()
public:
    bool m_ran = false;

    BOOL OnInitDialog() override
    {
        BOOL result = MainDialog::OnInitDialog();
        PostMessage(WM_APP + 1);
        return result;
    }
    LRESULT OnRunSteps(WPARAM, LPARAM);
};

BEGIN_MESSAGE_MAP(ProbedMainDialog, MainDialog)
    ON_MESSAGE(WM_APP + 1, OnRunSteps)
END_MESSAGE_MAP()

struct Step {
    const char* label;
    void (*act)(HWND main);
    const ExpectedMessage* expected;
    size_t count;
    bool enabledAfter;
    int linesAfter;
};

const ExpectedMessage kDisable[] = {
    {kMain, WM_ENABLE, true, FALSE},
    {kCurrentFile, WM_SETTEXT, false, 0},  // the current text shown again
};
const ExpectedMessage kEnable[] = {
    {kMain, WM_ENABLE, true, TRUE},
    {kCurrentFile, WM_SETTEXT, false, 0},
};
// wParam is ignored: redraw off and redraw on both append lineBuffer as a result line.
const ExpectedMessage kRedrawOff[] = {
    {kMain, WM_SETREDRAW, true, FALSE},
    {kResultList, LB_ADDSTRING, false, 0},
    {kResultList, LB_SETCURSEL, true, 1},  // one line: an index past the end selects nothing
};
const ExpectedMessage kRedrawOn[] = {
    {kMain, WM_SETREDRAW, true, TRUE},
    {kResultList, LB_ADDSTRING, false, 0},
    {kResultList, LB_SETCURSEL, true, 2},
};

const Step kSteps[] = {
    {"the system disables the window", [](HWND main) { EnableWindow(main, FALSE); }, kDisable, std::size(kDisable), false, 0},
    {"the system enables it again", [](HWND main) { EnableWindow(main, TRUE); }, kEnable, std::size(kEnable), true, 0},
    {"redraw switched off", [](HWND main) { SendMessageA(main, WM_SETREDRAW, FALSE, 0); }, kRedrawOff, std::size(kRedrawOff), true, 1},
    {"redraw switched on", [](HWND main) { SendMessageA(main, WM_SETREDRAW, TRUE, 0); }, kRedrawOn, std::size(kRedrawOn), true, 2},
};

LRESULT ProbedMainDialog::OnRunSteps(WPARAM, LPARAM)
{
    // A modal dialog shows itself only once its queue is empty; this message comes first.
    ShowWindow(SW_SHOW);
    g_windows[kMain] = m_hWnd;
    g_windows[kCurrentFile] = GetDlgItem(IDC_CURRENT_FILE);
    g_windows[kResultList] = GetDlgItem(IDC_RESULT_LIST);
    CopyText(g_scanState.currentText, sizeof(g_scanState.currentText), "C:\\shown\\again.exe");
    CopyText(g_scanState.lineBuffer, sizeof(g_scanState.lineBuffer), "C:\\infected\\a.exe     W32/KYR.Trojan removed");
    g_scanState.keepResultLines = false;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordSent, nullptr, GetCurrentThreadId());
    CHECK(hook != nullptr);
    for (const Step& step : kSteps) {
        CAPTURE(step.label);
        ::SetWindowTextA(g_windows[kCurrentFile], "");
        g_seen.clear();
        g_recording = true;
        step.act(m_hWnd);
        g_recording = false;
        CheckSequence(step.label, step.expected, step.count);
        CHECK((::IsWindowEnabled(m_hWnd) != FALSE) == step.enabledAfter);
        // Redraw is never really switched off: the window stays visible.
        CHECK((::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0);
        CHECK(ListCount() == step.linesAfter);
        if (step.expected[0].message == WM_ENABLE)
            CHECK(WindowText(g_windows[kCurrentFile]) == g_scanState.currentText);
    }
    if (hook != nullptr)
        UnhookWindowsHookEx(hook);
    m_ran = true;
    EndDialog(IDOK);
    return 0;
}

}  // namespace

TEST_CASE("the main window treats the system's WM_ENABLE and WM_SETREDRAW as its own messages 10 and 11")
{
    g_scanState = ScanState();
    ProbedMainDialog dialog;
    CHECK(dialog.DoModal() == IDOK);
    CHECK(dialog.m_ran);
}
