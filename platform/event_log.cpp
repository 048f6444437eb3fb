// The Event Log writer and the source's registration.
#include "platform/event_log.h"

#include "base/clib.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "platform/process_win32.h"
#include "platform/version.h"

bool LoadEventLogApi(EventLogApi& api)
{
    api = EventLogApi{};
    // 95/98/ME's advapi32 may name these functions, but there is no log behind them.
    if (GetPlatformCode() != kPlatformNt)
        return false;
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    if (advapi == nullptr)
        return false;
    EventLogApi found{
        LookUpFunction<RegisterEventSourceARoutine>(advapi, "RegisterEventSourceA"),
        LookUpFunction<ReportEventARoutine>(advapi, "ReportEventA"),
        LookUpFunction<DeregisterEventSourceRoutine>(advapi, "DeregisterEventSource"),
        LookUpFunction<RegCreateKeyExARoutine>(advapi, "RegCreateKeyExA"),
        LookUpFunction<RegSetValueExARoutine>(advapi, "RegSetValueExA"),
    };
    if (found.pRegisterEventSourceA == nullptr || found.pReportEventA == nullptr ||
        found.pDeregisterEventSource == nullptr)
        return false;
    api = found;
    return true;
}

bool IsOnLocalFixedDrive(const char* path)
{
    if (path == nullptr)
        return false;
    char letter = UpperAscii(path[0]);
    if (letter < 'A' || letter > 'Z' || path[1] != ':' || path[2] != '\\')
        return false;
    char root[] = "C:\\";
    root[0] = letter;
    return GetDriveTypeA(root) == DRIVE_FIXED;
}

bool RegisterEventMessageFile(const EventLogApi& api, const char* modulePath)
{
    // A message file on a share or a removable disk may be gone when the log is read.
    if (api.pRegCreateKeyExA == nullptr || api.pRegSetValueExA == nullptr || !IsOnLocalFixedDrive(modulePath))
        return false;
    ScopedRegistryKey key;
    if (api.pRegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                             nullptr, key.Out(), nullptr) != ERROR_SUCCESS)
        return false;
    DWORD types = kEventTypesSupported;
    // Expandable, as the viewer reads every message file's path.
    return api.pRegSetValueExA(key.Get(), "EventMessageFile", 0, REG_EXPAND_SZ,
                               reinterpret_cast<const BYTE*>(modulePath),
                               static_cast<DWORD>(TextLength(modulePath) + 1)) == ERROR_SUCCESS &&
           api.pRegSetValueExA(key.Get(), "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                               sizeof(types)) == ERROR_SUCCESS;
}

bool EventLogWriter::Open(DWORD& error)
{
    Close();
    error = ERROR_SUCCESS;
    if (!Available()) {
        error = ERROR_NOT_SUPPORTED;
        return false;
    }
    m_log = m_api.pRegisterEventSourceA(nullptr, kEventSourceName);
    if (m_log == nullptr)
        error = GetLastError();
    return m_log != nullptr;
}

bool EventLogWriter::Write(const ScanEvent& event, DWORD& error)
{
    error = ERROR_SUCCESS;
    if (m_log == nullptr) {
        error = ERROR_INVALID_HANDLE;
        return false;
    }
    LPCSTR strings[kMaxEventStrings];
    for (uint16_t i = 0; i < event.stringCount && i < kMaxEventStrings; ++i)
        strings[i] = event.strings[i];
    if (m_api.pReportEventA(m_log, event.type, 0, event.id, nullptr, event.stringCount, 0, strings, nullptr))
        return true;
    error = GetLastError();
    return false;
}

void EventLogWriter::Close()
{
    if (m_log != nullptr)
        m_api.pDeregisterEventSource(m_log);
    m_log = nullptr;
}
