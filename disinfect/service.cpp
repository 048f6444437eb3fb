// Stopping a service named after an infected module and deleting its keys from both numbered
// control sets, so that it does not start again after the restart.
#include <windows.h>

#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/quarantine_store.h"
#include "disinfect/service.h"
#include "platform/registry.h"

namespace {

// What the service is opened with: stop and status queries, and the rest of the rights the
// manager's full access grants on a service, short of pause, interrogate and user controls.
const DWORD kServiceAccess = STANDARD_RIGHTS_REQUIRED | SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG |
                             SERVICE_QUERY_STATUS | SERVICE_ENUMERATE_DEPENDENTS | SERVICE_START | SERVICE_STOP;

void PauseBySleeping(DWORD milliseconds)
{
    Sleep(milliseconds);
}

// An empty name would make the key paths name the Services key itself, and a backslash another key.
bool IsServiceName(const char* serviceName)
{
    if (serviceName[0] == '\0')
        return false;
    for (const char* p = serviceName; *p != '\0'; ++p) {
        if (*p == '\\')
            return false;
    }
    return true;
}

}  // namespace

int StopService(const char* serviceName)
{
    return StopServiceWith(serviceName, PauseBySleeping);
}

int StopServiceWith(const char* serviceName, PauseRoutine pause)
{
    if (!IsServiceName(serviceName))
        return 0;
    ScopedServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!manager.IsValid())
        return 0;
    ScopedServiceHandle serviceScope(OpenServiceA(manager.Get(), serviceName, kServiceAccess));
    SC_HANDLE service = serviceScope.Get();
    if (service == nullptr)
        return 0;
    int result = 0;
    SERVICE_STATUS status = {};
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        DWORD lastState = status.dwCurrentState;
        // A service may stay in STOP_PENDING for ever; the wait is bounded so the scan goes on.
        for (int pauses = 0;; ++pauses) {
            SERVICE_STATUS now = {};
            if (!QueryServiceStatus(service, &now))
                break;
            lastState = now.dwCurrentState;
            if (lastState != SERVICE_STOP_PENDING || pauses == kStopPendingPolls)
                break;
            pause(1000);
        }
        result = lastState == SERVICE_STOPPED ? 1 : 0;
    }
    return result;
}

int RemoveServiceKeys(const char* serviceName, QuarantineScan* keep, const char* detection)
{
    // Each control set's key is kept whole (values and subkeys) before any of it is deleted. The
    // records say "removed" before the act: a part that stays is left as it is by the undo.
    static const char* const kKeptFormats[] = {
        "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Services\\%s",
        "HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Services\\%s",
    };
    // Subkeys first: the NT family deletes only keys without subkeys. The two ControlSet002
    // spellings name the same key.
    static const char* const kKeyFormats[] = {
        "SYSTEM\\ControlSet001\\Services\\%s\\Enum", "SYSTEM\\ControlSet001\\Services\\%s\\Security",
        "SYSTEM\\ControlSet001\\Services\\%s",       "SYSTEM\\CONTROLSET002\\SERVICES\\%s\\Enum",
        "SYSTEM\\ControlSet002\\Services\\%s\\Security", "SYSTEM\\ControlSet002\\Services\\%s",
    };
    int anyDeleted = 0;
    if (!IsServiceName(serviceName))
        return 0;
    for (const char* format : kKeptFormats) {
        char key[kRegistryKeySize];
        ScopedRegistryKey present;
        if (keep != nullptr && FormatText(key, sizeof(key), format, serviceName) &&
            OpenRegistryKey(HKEY_LOCAL_MACHINE, LocalMachineSubkey(key), KEY_READ, present, kViewOnly))
            keep->KeepKeyTree(kViewOnly, key, detection, "remove service key", "removed");
    }
    for (const char* format : kKeyFormats) {
        char subkey[512];
        if (FormatText(subkey, sizeof(subkey), format, serviceName) &&
            DeleteRegistryKey(HKEY_LOCAL_MACHINE, subkey) == 1)
            anyDeleted = 1;
    }
    return anyDeleted;
}
