// The Windows Event Log as one more receiver of a scan's results: every find, action, refusal and
// the scan's start and end become events of the tool's source. A log that cannot be written
// changes nothing in the scan; the report says so once.
#pragma once
#include "platform/event_log.h"
#include "run/result_sink.h"
#include "run/scan_report_text.h"

class EventLogSink : public ResultSink {
public:
    // api: the system's functions (LoadEventLogApi), or a test's. modulePath: the exe, registered
    // as the source's message file before the first event when it lies on a local fixed drive.
    EventLogSink(const EventLogApi& api, const char* modulePath);

    void ScanStarted(const ScanStartFacts& facts) override;
    void Result(const ScanResult& result) override;
    void ScanEnded(const ScanEndFacts& facts) override;

    // One object of an undo of scanId: event 140 put back, 141 not. The log is opened at the first,
    // and closed by EndUndo.
    void UndoObject(const char* scanId, const char* object, const char* detection, bool putBack, const char* how);
    void EndUndo();

    // Whether some event of the scan (or the undo) could not be written.
    bool Failed() const { return m_bFailed; }

private:
    void Write(const ScanEvent& event);
    void NoteFailure(DWORD error);

    EventLogWriter m_writer;
    ScanEvent m_event;  // the one being written; events are built one at a time
    char m_strModulePath[kPathSize];
    char m_strScanId[kScanIdSize];
    bool m_bOpen = false;
    bool m_bFailed = false;
};

// The receiver a run of the tool adds beside the report and the window: the system's functions and
// the exe's own path as message file.
class SystemEventLog {
public:
    SystemEventLog();
    SystemEventLog(const SystemEventLog&) = delete;
    SystemEventLog& operator=(const SystemEventLog&) = delete;
    // Adds the receiver to results, unless the command line turned the events off.
    void AddTo(ResultFanOut& results);
    // The receiver itself, for the undo's events; it writes none when the events are off.
    EventLogSink& Sink() { return m_sink; }

private:
    static EventLogApi SystemApi();
    const char* ModulePath();

    char m_strModulePath[kPathSize];  // before m_sink: filled for its construction
    EventLogSink m_sink;
};

// The line the report gets, once per scan, when events could not be written.
const char kEventsNotWrittenLine[] = "The events of this scan could not all be written to the Windows Event Log";
