// The main window as a receiver of the scan's results: each line and each current-file text is
// put in the record's lineBuffer or currentText and the window is sent the private message that
// shows it; questions go to the message dialog.
#pragma once
#include "run/result_sink.h"
#include "run/scan_state.h"

// How the window asks: style takes the system message box's bits; the answer is the system's
// result code (1 OK, 2 Cancel, 6 Yes, 7 No), or -1 when the question could not be shown.
typedef int (*QuestionRoutine)(const char* text, const char* caption, unsigned style);

class WindowSink : public ResultSink {
public:
    // state.mainWindow gets the messages; ask, when not null, answers the questions.
    WindowSink(ScanState& state, QuestionRoutine ask) : m_state(state), m_pfnAsk(ask) {}
    // Every line but a refused action's, which is for the record alone.
    void Result(const ScanResult& result) override;
    void CurrentText(const char* text) override;
    // Shown where the current file was.
    void FinalStatus(const char* text) override;
    int Ask(const char* text, const char* caption, unsigned style) override;

private:
    ScanState& m_state;
    QuestionRoutine m_pfnAsk;
};
