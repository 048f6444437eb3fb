// Service stop and service-key removal against Wine's service manager and registry. Run by
// service.test.sh in a prefix of its own, with tvx_test_service.exe beside this program.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#define DOCTEST_CONFIG_NO_MULTITHREADING  // the win32-thread mingw has no std::mutex
#include <doctest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "disinfect/quarantine_store.h"
#include "disinfect/quarantine_undo.h"
#include "disinfect/service.h"
#include "platform/version.h"
#include "tests/lib/wine_files.h"

namespace {

HANDLE g_poll = nullptr;
HANDLE g_ack = nullptr;
int g_pauses = 0;
bool g_waitForAck = false;  // only the pending test service answers the polls

// Stands in for the 1000 ms sleep: counts the pause and lets the pending test service see it.
void CountingPause(DWORD)
{
    ++g_pauses;
    if (g_waitForAck) {
        SetEvent(g_poll);
        WaitForSingleObject(g_ack, 10000);
    }
}

// Registers and starts one test service; true once it reports RUNNING.
bool StartTestService(const char* name)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return false;
    std::string binary = HelperPath("tvx_test_service.exe");
    SC_HANDLE service = CreateServiceA(manager, name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                       SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, binary.c_str(), nullptr, nullptr,
                                       nullptr, nullptr, nullptr);
    if (service == nullptr && GetLastError() == ERROR_SERVICE_EXISTS)
        service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
    bool running = false;
    // A stopped service's process may still be ending (the quick one lingers a moment after it
    // stopped): it starts once that process is gone.
    bool started = false;
    for (int i = 0; service != nullptr && i < 300 && !started; ++i) {
        started = StartServiceA(service, 0, nullptr) != FALSE;
        if (!started && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
            break;
        if (!started)
            Sleep(100);
    }
    if (started) {
        for (int i = 0; i < 100 && !running; ++i) {
            SERVICE_STATUS status = {};
            running = QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_RUNNING;
            if (!running)
                Sleep(100);
        }
    }
    if (service != nullptr)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return running;
}

bool MachineKeyExists(const std::string& subkey)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void CreateMachineKey(const std::string& subkey)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
        RegCloseKey(key);
}

// Sets a DWORD value, making its key.
void SetMachineDword(const std::string& subkey, const char* name, DWORD value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

// The DWORD value, or -1 when it is not there.
long long MachineDword(const std::string& subkey, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD ? value : -1;
}

class NoLines : public QuarantineLines {
public:
    void Line(const char*) override {}
};

}  // namespace

TEST_CASE("StopService by how the service answers the stop control")
{
    g_poll = CreateEventA(nullptr, FALSE, FALSE, "Global\\tvx_service_poll");
    g_ack = CreateEventA(nullptr, FALSE, FALSE, "Global\\tvx_service_ack");
    struct Row {
        const char* name;
        bool registered;
        int expected;
        int pauses;
    };
    const Row rows[] = {
        {"tvxquick", true, 1, 0},
        {"tvxpending", true, 1, 3},
        {"tvxrefuse", true, 0, 0},
        {"tvxhang", true, 0, kStopPendingPolls},  // the wait gives up
        {"tvxmissing", false, 0, 0},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.name));
        if (row.registered)
            CHECK(StartTestService(row.name));
        g_pauses = 0;
        g_waitForAck = std::strcmp(row.name, "tvxpending") == 0;
        CHECK(StopServiceWith(row.name, CountingPause) == row.expected);
        CHECK(g_pauses == row.pauses);
    }
    // The real routine, with its sleeps, on a service that stops at once.
    CHECK(StartTestService("tvxquick"));
    CHECK(StopService("tvxquick") == 1);
}

TEST_CASE("RemoveServiceKeys deletes the usual subkeys first, in both numbered control sets")
{
    const std::string sets[] = {"SYSTEM\\ControlSet001\\Services\\", "SYSTEM\\ControlSet002\\Services\\"};
    struct Row {
        const char* label;
        const char* name;
        std::vector<std::string> subkeys;  // created under the service key in both sets
        bool createInSet1;
        bool createInSet2;
        int expected;
        bool serviceKeysStay;
    };
    const Row rows[] = {
        {"Enum and Security in both sets", "tvxkeys1", {"Enum", "Security"}, true, true, 1, false},
        {"extra Parameters keeps both service keys", "tvxkeys2", {"Enum", "Security", "Parameters"}, true, true, 1, true},
        {"only the second control set", "tvxkeys3", {}, false, true, 1, false},
        {"no keys at all", "tvxkeys4", {}, false, false, 0, false},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        for (int set = 0; set < 2; ++set) {
            if (!(set == 0 ? row.createInSet1 : row.createInSet2))
                continue;
            CreateMachineKey(sets[set] + row.name);
            for (const std::string& subkey : row.subkeys)
                CreateMachineKey(sets[set] + row.name + "\\" + subkey);
        }
        CHECK(RemoveServiceKeys(row.name) == row.expected);
        for (int set = 0; set < 2; ++set) {
            std::string base = sets[set] + row.name;
            CHECK_FALSE(MachineKeyExists(base + "\\Enum"));
            CHECK_FALSE(MachineKeyExists(base + "\\Security"));
            bool created = set == 0 ? row.createInSet1 : row.createInSet2;
            CHECK(MachineKeyExists(base) == (created && row.serviceKeysStay));
            if (created && row.serviceKeysStay)
                CHECK(MachineKeyExists(base + "\\Parameters"));
        }
    }
    // CurrentControlSet is never named.
    CreateMachineKey("SYSTEM\\CurrentControlSet\\Services\\tvxkeys5\\Enum");
    CHECK(RemoveServiceKeys("tvxkeys5") == 0);
    CHECK(MachineKeyExists("SYSTEM\\CurrentControlSet\\Services\\tvxkeys5\\Enum"));
    // A name too long for the 512-byte key buffer is refused, never cut off into another name.
    CHECK(RemoveServiceKeys(std::string(600, 'n').c_str()) == 0);
    // No name, or one reaching into another key: nothing is deleted.
    CreateMachineKey("SYSTEM\\ControlSet001\\Services\\Enum");
    CreateMachineKey("SYSTEM\\ControlSet001\\Services\\tvxkeys6\\Enum");
    for (const char* name : {"", "tvxkeys6\\Enum"}) {
        INFO(name);
        CHECK(RemoveServiceKeys(name) == 0);
        CHECK(StopService(name) == 0);
    }
    CHECK(MachineKeyExists("SYSTEM\\ControlSet001\\Services\\Enum"));
    CHECK(MachineKeyExists("SYSTEM\\ControlSet001\\Services\\tvxkeys6\\Enum"));
}

TEST_CASE("RemoveServiceKeys keeps each control set's key whole first, and the undo puts both back")
{
    std::string root = MakeTempFolder("tvx service quarantine");
    NoLines lines;
    const std::string sets[] = {"SYSTEM\\ControlSet001\\Services\\tvxkept", "SYSTEM\\CONTROLSET002\\SERVICES\\tvxkept"};
    for (const std::string& base : sets) {
        SetMachineDword(base, "Start", 2);
        SetMachineDword(base + "\\Enum", "Count", 1);
        SetMachineDword(base + "\\Security", "Kind", 7);
    }
    {
        QuarantineScan scan;
        CHECK(scan.Begin(root.c_str(), "20261211-120000", lines));
        CHECK(RemoveServiceKeys("tvxkept", &scan, "W32/KYR.Trojan") == 1);
        CHECK(scan.End());
    }
    for (const std::string& base : sets)
        CHECK_FALSE(MachineKeyExists(base));
    Wow64View view;
    QueryWow64View(view);
    UndoReport undo = UndoScan(root.c_str(), "20261211-120000", view, lines);
    CHECK(undo.outcome.left == 0);
    for (const std::string& base : sets) {
        INFO(base);
        CHECK(MachineDword(base, "Start") == 2);
        CHECK(MachineDword(base + "\\Enum", "Count") == 1);
        CHECK(MachineDword(base + "\\Security", "Kind") == 7);
    }
}
