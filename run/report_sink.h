// The report file as a receiver of the scan's results: it writes every line the scan gives it, in
// the order given, and frames them with the record's start and end lines. A quiet run's receiver
// is the same report, answering the restart question itself since nobody is there to.
#pragma once
#include "base/windows_version.h"
#include "run/result_sink.h"

// What the record's start needs beyond the scan's start facts.
struct ReportOpening {
    bool versionKnown;
    WindowsVersion version;
    int platformCode;         // GetPlatformCode's
    int ntVersionCode;        // GetNtVersionCode's
    const char* chosenPath;   // the file the command line names, "" for the usual places
    const char* tooLongPath;  // the head of a chosen path too long to use, "" otherwise
};

class ReportSink : public ResultSink {
public:
    explicit ReportSink(const ReportOpening& opening) : m_opening(opening) {}
    // Opens this scan's record (chooses the file, writes the start line).
    void ScanStarted(const ScanStartFacts& facts) override;
    void Result(const ScanResult& result) override;
    void FinalStatus(const char* text) override;
    void RecordLine(const char* text) override;
    // The question and then its answer, or the reason it was answered without asking.
    void Answered(const char* question, int answer, const char* how) override;
    // The end line with the outcome; the record is closed after it.
    void ScanEnded(const ScanEndFacts& facts) override;

private:
    ReportOpening m_opening;
};

// The quiet run: nobody is there to answer, so a question gets its no (a restart nobody asked for
// could cost someone their work), and the report says that rule gave it.
class QuietRunSink : public ReportSink {
public:
    explicit QuietRunSink(const ReportOpening& opening) : ReportSink(opening) {}
    // The no of a Yes/No or OK/Cancel question.
    int Ask(const char* text, const char* caption, unsigned style) override;
    void Answered(const char* question, int answer, const char* how) override;
};
