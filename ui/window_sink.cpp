// The main window's side of the scan's results: the two private messages and the questions.
#include "ui/window_sink.h"

#include "base/text.h"

void WindowSink::Result(const ScanResult& result)
{
    if (result.kind == ResultKind::kRefused)
        return;
    // A line longer than the buffer is cut, as the window has always shown it.
    CopyTextN(m_state.lineBuffer, sizeof(m_state.lineBuffer), result.line, sizeof(m_state.lineBuffer) - 1);
    SendMessageA(m_state.mainWindow, kAppendResultMessage, 0, 0);
}

void WindowSink::CurrentText(const char* text)
{
    if (text != m_state.currentText)
        CopyTextN(m_state.currentText, sizeof(m_state.currentText), text, sizeof(m_state.currentText) - 1);
    SendMessageA(m_state.mainWindow, kShowCurrentMessage, 0, 0);
}

void WindowSink::FinalStatus(const char* text)
{
    CurrentText(text);
}

int WindowSink::Ask(const char* text, const char* caption, unsigned style)
{
    return m_pfnAsk != nullptr ? m_pfnAsk(text, caption, style) : kNotAnswered;
}
