// The scan's events in the Windows Event Log.
#include "scan/event_sink.h"

#include "base/text.h"
#include "base/version.h"
#include "run/run_options.h"
#include "run/scan_report.h"

EventLogSink::EventLogSink(const EventLogApi& api, const char* modulePath) : m_writer(api)
{
    CopyText(m_strModulePath, sizeof(m_strModulePath), modulePath != nullptr ? modulePath : "");
    m_strScanId[0] = '\0';
}

void EventLogSink::ScanStarted(const ScanStartFacts& facts)
{
    m_bFailed = false;
    CopyText(m_strScanId, sizeof(m_strScanId), facts.scanId != nullptr ? facts.scanId : "");
    // 95/98/ME: no log, nothing to say about it.
    if (!m_writer.Available())
        return;
    // Registered before the first event, so that the viewer finds the texts of all of them. A
    // refused registration (no rights) still leaves the events and their strings.
    RegisterEventMessageFile(m_writer.Api(), m_strModulePath);
    DWORD error = ERROR_SUCCESS;
    m_bOpen = m_writer.Open(error);
    if (!m_bOpen) {
        NoteFailure(error);
        return;
    }
    // The report opened its record before this receiver heard of the start: its file is where the
    // report really goes (the command line's choice may have failed).
    ScanStartFacts started = facts;
    if (g_scanReport.recordOpen)
        started.reportPath = g_scanReport.filePath;
    EventForStart(ScanEventSource{TARVEX_VERSION_TEXT, m_strScanId}, started, m_event);
    Write(m_event);
}

void EventLogSink::Result(const ScanResult& result)
{
    if (m_bOpen && EventForResult(ScanEventSource{TARVEX_VERSION_TEXT, m_strScanId}, result, m_event))
        Write(m_event);
}

void EventLogSink::ScanEnded(const ScanEndFacts& facts)
{
    if (!m_bOpen)
        return;
    EventForEnd(ScanEventSource{TARVEX_VERSION_TEXT, m_strScanId}, facts, m_event);
    Write(m_event);
    m_writer.Close();
    m_bOpen = false;
}

void EventLogSink::UndoObject(const char* scanId, const char* object, const char* detection, bool putBack,
                              const char* how)
{
    if (!m_writer.Available() || m_bFailed)
        return;
    DWORD error = ERROR_SUCCESS;
    if (!m_bOpen) {
        RegisterEventMessageFile(m_writer.Api(), m_strModulePath);
        m_bOpen = m_writer.Open(error);
        if (!m_bOpen) {
            m_bFailed = true;
            return;
        }
    }
    EventForUndo(ScanEventSource{TARVEX_VERSION_TEXT, scanId}, object, detection, putBack, how, m_event);
    if (!m_writer.Write(m_event, error))
        m_bFailed = true;
}

void EventLogSink::EndUndo()
{
    m_writer.Close();
    m_bOpen = false;
}

void EventLogSink::Write(const ScanEvent& event)
{
    DWORD error = ERROR_SUCCESS;
    if (!m_writer.Write(event, error))
        NoteFailure(error);
}

void EventLogSink::NoteFailure(DWORD error)
{
    // Once a scan: a full or stopped log would otherwise add a line to every result.
    if (m_bFailed)
        return;
    m_bFailed = true;
    char line[kReportLineChars];
    FormatText(line, sizeof(line), "%s (error %lu); the scan goes on without them.", kEventsNotWrittenLine,
               static_cast<unsigned long>(error));
    ReportLine(line);
}

SystemEventLog::SystemEventLog() : m_sink(SystemApi(), ModulePath()) {}

void SystemEventLog::AddTo(ResultFanOut& results)
{
    if (!g_runOptions.noEvents)
        results.Add(m_sink);
}

EventLogApi SystemEventLog::SystemApi()
{
    EventLogApi api;
    if (g_runOptions.noEvents || !LoadEventLogApi(api))
        api = EventLogApi{};
    return api;
}

const char* SystemEventLog::ModulePath()
{
    DWORD length = GetModuleFileNameA(nullptr, m_strModulePath, sizeof(m_strModulePath));
    if (length == 0 || length >= sizeof(m_strModulePath))
        m_strModulePath[0] = '\0';
    return m_strModulePath;
}
