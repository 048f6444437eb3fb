// The report file and the quiet run as receivers of the scan's results.
#include "run/report_sink.h"

#include <windows.h>

#include "base/product.h"
#include "base/text.h"
#include "run/scan_report.h"

void ReportSink::ScanStarted(const ScanStartFacts& facts)
{
    const ReportOpening& o = m_opening;
    BeginScanRecord(kProductTitle, o.versionKnown ? &o.version : nullptr, o.platformCode, o.ntVersionCode,
                    facts.wow64, o.chosenPath, o.tooLongPath);
}

void ReportSink::Result(const ScanResult& result)
{
    ReportLine(result.line);
}

void ReportSink::FinalStatus(const char* text)
{
    ReportLine(text);
}

void ReportSink::RecordLine(const char* text)
{
    ReportLine(text);
}

void ReportSink::Answered(const char* question, int answer, const char* how)
{
    ReportQuestion(question);
    if (how == nullptr) {
        ReportAnswer(answer);
        return;
    }
    char line[kReportLineChars];
    FormatText(line, sizeof(line), "Answer: %s", how);
    ReportLine(line);
}

void ReportSink::ScanEnded(const ScanEndFacts& facts)
{
    char text[160];
    FormatOutcome(text, sizeof(text), facts.quiet, facts.code, facts.scanned, facts.infected, facts.removed,
                  facts.waitingForRestart, facts.unopened);
    EndScanRecord(facts.stoppedAtMemoryFind ? kEndMemoryFind : kEndScanRun, text);
}

int QuietRunSink::Ask(const char*, const char*, unsigned style)
{
    return (style & MB_TYPEMASK) == MB_OKCANCEL ? IDCANCEL : IDNO;
}

void QuietRunSink::Answered(const char* question, int answer, const char* how)
{
    ReportSink::Answered(question, answer, how != nullptr ? how : "no restart, the quiet run's default");
}
