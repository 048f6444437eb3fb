// The fan-out that hands each of the scan's results to every receiver.
#include "run/result_sink.h"

#include "base/text.h"
#include "run/scan_report_text.h"  // kReportLineChars

bool ResultFanOut::Add(ResultSink& sink)
{
    if (m_nSinks == kMaxSinks)
        return false;
    m_pSinks[m_nSinks++] = &sink;
    return true;
}

void ResultFanOut::Remove(ResultSink& sink)
{
    size_t kept = 0;
    for (size_t i = 0; i < m_nSinks; ++i) {
        if (m_pSinks[i] != &sink)
            m_pSinks[kept++] = m_pSinks[i];
    }
    for (size_t i = kept; i < m_nSinks; ++i)
        m_pSinks[i] = nullptr;
    m_nSinks = kept;
}

void ResultFanOut::ScanStarted(const ScanStartFacts& facts)
{
    for (size_t i = 0; i < m_nSinks; ++i)
        m_pSinks[i]->ScanStarted(facts);
}

void ResultFanOut::Result(const ScanResult& result)
{
    for (size_t i = 0; i < m_nSinks; ++i)
        m_pSinks[i]->Result(result);
}

void ResultFanOut::CurrentText(const char* text)
{
    for (size_t i = 0; i < m_nSinks; ++i)
        m_pSinks[i]->CurrentText(text);
}

void ResultFanOut::FinalStatus(const char* text)
{
    for (size_t i = 0; i < m_nSinks; ++i)
        m_pSinks[i]->FinalStatus(text);
}

void ResultFanOut::RecordLine(const char* text)
{
    for (size_t i = 0; i < m_nSinks; ++i)
        m_pSinks[i]->RecordLine(text);
}

int ResultFanOut::Ask(const char* text, const char* caption, unsigned style)
{
    for (size_t i = 0; i < m_nSinks; ++i) {
        int answer = m_pSinks[i]->Ask(text, caption, style);
        if (answer != kNotAnswered)
            return answer;
    }
    return kNotAnswered;
}

void ResultFanOut::Answered(const char* question, int answer, const char* how)
{
    for (size_t i = 0; i < m_nSinks; ++i)
        m_pSinks[i]->Answered(question, answer, how);
}

void ResultFanOut::ScanEnded(const ScanEndFacts& facts)
{
    for (size_t i = 0; i < m_nSinks; ++i)
        m_pSinks[i]->ScanEnded(facts);
}

void PassFileResult(ResultSink& sink, ResultKind kind, const char* shownPath, const char* detection,
                    const char* action)
{
    char line[kReportLineChars];
    FormatText(line, sizeof(line), "%s     %s %s", shownPath, detection, action);
    sink.Result(ScanResult{kind, line, shownPath, detection, action});
}
