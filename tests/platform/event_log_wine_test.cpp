// The Event Log writer and the event source's registration, with the system's functions replaced
// where a test must not touch the machine: the source key goes to a scratch key of the current user,
// and ReportEventA's arguments are recorded.
#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/event_log.h"
#include "tests/lib/wine_files.h"

namespace {

const char kScratch[] = "Software\\tvx event source test";

std::string g_createdSubkey;
LONG g_createResult;

// Creates the scratch key in place of the machine's; g_createResult other than ERROR_SUCCESS
// refuses, as the registry does for a user without rights.
LONG WINAPI ScratchCreate(HKEY, LPCSTR subkey, DWORD, LPSTR, DWORD options, REGSAM access,
                          LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    g_createdSubkey = subkey;
    if (g_createResult != ERROR_SUCCESS)
        return g_createResult;
    return RegCreateKeyExA(HKEY_CURRENT_USER, kScratch, 0, nullptr, options, access, security, result, disposition);
}

EventLogApi ScratchApi()
{
    EventLogApi api = {};
    api.pRegCreateKeyExA = ScratchCreate;
    api.pRegSetValueExA = RegSetValueExA;
    return api;
}

// The value's type and data, or type 0 when it is not there.
std::string ScratchValue(const char* name, DWORD& type)
{
    HKEY key = nullptr;
    type = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kScratch, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "";
    char data[512] = {};
    DWORD size = sizeof(data) - 1;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        type = 0;
    RegCloseKey(key);
    return std::string(data, size);
}

struct Call {
    WORD type;
    DWORD id;
    std::vector<std::string> strings;
};
std::vector<Call> g_calls;
HANDLE const kFakeLog = reinterpret_cast<HANDLE>(0x4242);
bool g_deregistered;

HANDLE WINAPI FakeRegister(LPCSTR server, LPCSTR source)
{
    CHECK(server == nullptr);
    CHECK(std::string(source) == kEventSourceName);
    return kFakeLog;
}

HANDLE WINAPI RefusingRegister(LPCSTR, LPCSTR)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

BOOL WINAPI RecordingReport(HANDLE log, WORD type, WORD category, DWORD id, PSID user, WORD count, DWORD dataSize,
                            LPCSTR* strings, LPVOID data)
{
    CHECK(log == kFakeLog);
    CHECK(category == 0);
    CHECK(user == nullptr);
    CHECK(dataSize == 0);
    CHECK(data == nullptr);
    Call call{type, id, {}};
    for (WORD i = 0; i < count; ++i)
        call.strings.push_back(strings[i]);
    g_calls.push_back(call);
    return TRUE;
}

BOOL WINAPI FakeDeregister(HANDLE log)
{
    CHECK(log == kFakeLog);
    g_deregistered = true;
    return TRUE;
}

}  // namespace

TEST_CASE("the exe becomes the source's message file only from a local fixed drive")
{
    struct Row {
        const char* label;
        const char* path;
        LONG createResult;
        bool registered;
    } rows[] = {
        {"on C:", "C:\\tarvex\\tarvex.exe", ERROR_SUCCESS, true},
        {"drive letter in lower case", "c:\\t\\tarvex.exe", ERROR_SUCCESS, true},
        {"on a share", "\\\\server\\tarvex$\\tarvex.exe", ERROR_SUCCESS, false},
        {"a drive that does not exist", "Q:\\tarvex.exe", ERROR_SUCCESS, false},
        {"relative to a drive", "C:tarvex.exe", ERROR_SUCCESS, false},
        {"no path", "", ERROR_SUCCESS, false},
        {"the key refused (no rights)", "C:\\tarvex\\tarvex.exe", ERROR_ACCESS_DENIED, false},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        RegDeleteKeyA(HKEY_CURRENT_USER, kScratch);
        g_createdSubkey.clear();
        g_createResult = row.createResult;
        CHECK(RegisterEventMessageFile(ScratchApi(), row.path) == row.registered);
        DWORD type = 0;
        std::string file = ScratchValue("EventMessageFile", type);
        if (!row.registered) {
            CHECK(type == 0);
            continue;
        }
        CHECK(g_createdSubkey == "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Tarvex");
        CHECK(type == REG_EXPAND_SZ);
        CHECK(file == std::string(row.path) + '\0');
        std::string types = ScratchValue("TypesSupported", type);
        CHECK(type == REG_DWORD);
        CHECK(types == std::string("\x07\0\0\0", 4));
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratch);
}

TEST_CASE("the writer hands each event's type, ID and strings to ReportEventA, in order")
{
    EventLogApi api = {FakeRegister, RecordingReport, FakeDeregister, nullptr, nullptr};
    g_calls.clear();
    g_deregistered = false;
    {
        EventLogWriter writer(api);
        DWORD error = kSentinelError;
        CHECK(writer.Open(error));
        CHECK(error == ERROR_SUCCESS);
        ScanEvent event;
        EventForResult(ScanEventSource{"1.0", "20261210-100738"},
                       ScanResult{ResultKind::kFileLeft, "l", "C:\\x.exe", "N", "Unable to remove"}, event);
        CHECK(writer.Write(event, error));
    }
    CHECK(g_deregistered);
    CHECK(g_calls.size() == 1);
    if (g_calls.size() == 1) {
        CHECK(g_calls[0].type == EVENTLOG_ERROR_TYPE);
        CHECK(g_calls[0].id == 112);
        CHECK(g_calls[0].strings ==
              std::vector<std::string>{"1.0", "20261210-100738", "C:\\x.exe", "N", "Unable to remove"});
    }
}

TEST_CASE("a source that cannot be opened says why, and nothing is written")
{
    EventLogApi api = {RefusingRegister, RecordingReport, FakeDeregister, nullptr, nullptr};
    g_calls.clear();
    EventLogWriter writer(api);
    DWORD error = kSentinelError;
    CHECK_FALSE(writer.Open(error));
    CHECK(error == ERROR_ACCESS_DENIED);
    ScanEvent event;
    EventForStart(ScanEventSource{"1.0", ""}, ScanStartFacts{true, "", "", false, ""}, event);
    CHECK_FALSE(writer.Write(event, error));
    CHECK(g_calls.empty());

    EventLogWriter none(EventLogApi{});
    CHECK_FALSE(none.Available());
    CHECK_FALSE(none.Open(error));
}
