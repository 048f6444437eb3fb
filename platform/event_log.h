// Writing events to the Windows Event Log's Application log under the tool's own source, and
// registering the exe as that source's message file. The functions are looked up by name: 95/98/ME
// have no Event Log, and the registry calls that write are not among the product's static imports.
#pragma once
#include <windows.h>

#include "run/scan_events.h"

const char kEventSourceName[] = "Tarvex";
// Under HKEY_LOCAL_MACHINE; the one key the tool leaves on a PC.
const char kEventSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Tarvex";
// Information, warning and error (EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE).
const DWORD kEventTypesSupported = 7;

typedef HANDLE(WINAPI* RegisterEventSourceARoutine)(LPCSTR server, LPCSTR source);
typedef BOOL(WINAPI* ReportEventARoutine)(HANDLE log, WORD type, WORD category, DWORD eventId, PSID user,
                                           WORD stringCount, DWORD dataSize, LPCSTR* strings, LPVOID data);
typedef BOOL(WINAPI* DeregisterEventSourceRoutine)(HANDLE log);
typedef LONG(WINAPI* RegCreateKeyExARoutine)(HKEY key, LPCSTR subkey, DWORD reserved, LPSTR className, DWORD options,
                                              REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                                              LPDWORD disposition);
typedef LONG(WINAPI* RegSetValueExARoutine)(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                             DWORD size);

// The functions one writer uses; all null where the system has no Event Log. A test puts its own
// in place of any of them.
struct EventLogApi {
    RegisterEventSourceARoutine pRegisterEventSourceA;
    ReportEventARoutine pReportEventA;
    DeregisterEventSourceRoutine pDeregisterEventSource;
    RegCreateKeyExARoutine pRegCreateKeyExA;
    RegSetValueExARoutine pRegSetValueExA;
};

// The system's functions on the NT family; false, with every pointer null, on 95/98/ME or when one
// of the three event functions is missing.
bool LoadEventLogApi(EventLogApi& api);

// Whether path lies on a local fixed drive: a drive letter whose root GetDriveTypeA calls fixed. A
// UNC path, a mapped network drive and a removable disk are not.
bool IsOnLocalFixedDrive(const char* path);

// Makes modulePath the source's EventMessageFile (with TypesSupported) when it lies on a local fixed
// drive; false when it does not, or when the key cannot be written (no rights: the events are
// written all the same, without their texts).
bool RegisterEventMessageFile(const EventLogApi& api, const char* modulePath);

// One open handle to the source; closed by Close or the destructor.
class EventLogWriter {
public:
    explicit EventLogWriter(const EventLogApi& api) : m_api(api) {}
    ~EventLogWriter() { Close(); }
    EventLogWriter(const EventLogWriter&) = delete;
    EventLogWriter& operator=(const EventLogWriter&) = delete;

    const EventLogApi& Api() const { return m_api; }
    // Whether this system has an Event Log at all.
    bool Available() const { return m_api.pReportEventA != nullptr; }
    // False, with the system's error in error, when the source cannot be opened.
    bool Open(DWORD& error);
    // False, with the system's error in error, when the event was not written.
    bool Write(const ScanEvent& event, DWORD& error);
    void Close();

private:
    EventLogApi m_api;
    HANDLE m_log = nullptr;
};
