// The quarantine under Wine: files, values and whole keys kept before their removal come back
// exactly; nothing is written over; changed copies and records are refused; the bounds drop old
// scans. Everything lives under a temporary root and a test key of its own.
#include <doctest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "disinfect/quarantine_store.h"
#include "disinfect/quarantine_undo.h"
#include "platform/version.h"
#include "tests/lib/wine_files.h"

namespace {

const char kTestKey[] = "Software\\Tarvex quarantine test";
const char kTestKeyFull[] = "HKEY_LOCAL_MACHINE\\Software\\Tarvex quarantine test";

class CollectLines : public QuarantineLines {
public:
    void Line(const char* text) override { lines.push_back(text); }
    std::string Joined() const
    {
        std::string text;
        for (const std::string& line : lines)
            text += (text.empty() ? "" : "|") + line;
        return text;
    }
    std::vector<std::string> lines;
};

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

void DeleteKeyTree(HKEY root, const std::string& subkey)
{
    std::vector<std::string> children;
    HKEY key;
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char name[256];
        for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof(name)) == ERROR_SUCCESS; ++i)
            children.push_back(subkey + "\\" + name);
        RegCloseKey(key);
    }
    for (const std::string& child : children)
        DeleteKeyTree(root, child);
    RegDeleteKeyA(root, subkey.c_str());
}

void SetValue(const std::string& subkey, const char* name, DWORD type, const std::string& data)
{
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

// "type:bytes" of a value, or "<absent>".
std::string GetValue(const std::string& subkey, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<absent>";
    char data[1024];
    DWORD size = sizeof(data);
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::to_string(type) + ":" + std::string(data, size) : "<absent>";
}

bool KeyExists(const std::string& subkey)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

struct Sandbox {
    Sandbox()
    {
        root = MakeTempFolder("tvx quarantine");
        files = MakeTempFolder("tvx quarantine files");
        QueryWow64View(view);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kTestKey);
    }
    ~Sandbox()
    {
        RemoveTree(root);
        RemoveTree(files);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kTestKey);
    }
    std::string root;
    std::string files;
    Wow64View view;
};

// Keeps a file as the disposal will: keep, record, then delete.
bool KeepAndDelete(QuarantineScan& scan, const std::string& path, QuarantineRecord& record)
{
    bool kept = scan.KeepFile(path.c_str(), path.c_str(), path.c_str(), record);
    lstrcpynA(record.detection, "W32/KYR.Test.Trojan", sizeof(record.detection));
    lstrcpynA(record.action, "delete", sizeof(record.action));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    lstrcpynA(record.result, DeleteFileA(path.c_str()) ? "removed" : "Unable to remove", sizeof(record.result));
    CHECK(scan.Append(record));
    return kept;
}

std::string SomeBytes(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 31 + (i >> 7));
    bytes.replace(0, 2, "MZ");
    return bytes;
}

FILETIME WrittenTime(const std::string& path)
{
    WIN32_FIND_DATAA found{};
    HANDLE find = FindFirstFileA(path.c_str(), &found);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return found.ftLastWriteTime;
}

}  // namespace

TEST_CASE("a kept file comes back byte for byte, with its attributes and times, once")
{
    Sandbox box;
    CollectLines lines;
    const std::string path = box.files + "\\seed.exe";
    const std::string bytes = SomeBytes(30000);
    WriteBytes(path, bytes);
    FILETIME old = {0x12345600, 0x01D00000};
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, &old, &old, &old);
    CloseHandle(file);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const DWORD attributes = GetFileAttributesA(path.c_str());

    QuarantineScan scan;
    CHECK(scan.Begin(box.root.c_str(), "20261210-100738", lines));
    QuarantineRecord record;
    CHECK(KeepAndDelete(scan, path, record));
    CHECK(std::string(record.copy) == "00001.kpt");
    CHECK_FALSE(Exists(path));
    // The copy holds neither the program's start nor its bytes as they were.
    std::string kept = ReadBytes(std::string(scan.Folder()) + "\\00001.kpt");
    CHECK(kept.size() == bytes.size() + kKeptHeaderSize);
    CHECK(kept.compare(0, 2, "MZ") != 0);
    CHECK(kept.find(bytes.substr(1000, 32)) == std::string::npos);

    UndoReport undo = UndoScan(box.root.c_str(), "", box.view, lines);
    INFO(lines.Joined());
    CHECK(std::string(undo.scanId) == "20261210-100738");
    CHECK(undo.outcome.restored == 1);
    CHECK(undo.outcome.left == 0);
    CHECK(ReadBytes(path) == bytes);
    CHECK(GetFileAttributesA(path.c_str()) == attributes);
    CHECK((attributes & FILE_ATTRIBUTE_HIDDEN) != 0);
    FILETIME written = WrittenTime(path);
    CHECK(written.dwLowDateTime == old.dwLowDateTime);
    CHECK(written.dwHighDateTime == old.dwHighDateTime);

    // A second undo changes nothing, by ID or as the latest.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    UndoReport again = UndoScan(box.root.c_str(), "20261210-100738", box.view, lines);
    CHECK(again.alreadyUndone);
    CHECK(again.outcome.restored == 0);
    CHECK_FALSE(Exists(path));
    UndoReport latest = UndoScan(box.root.c_str(), "", box.view, lines);
    CHECK(std::string(latest.scanId).empty());
    CHECK(UndoExitCodeOf(latest.outcome) == kExitClean);
}

TEST_CASE("values come back with their types, and a removed key comes back whole")
{
    Sandbox box;
    CollectLines lines;
    const std::string run = std::string(kTestKey) + "\\Run";
    const std::string service = std::string(kTestKey) + "\\Services\\seed";
    SetValue(run, "seed", REG_EXPAND_SZ, std::string("%SystemRoot%\\seed.exe\0", 22));
    SetValue(run, "other", REG_SZ, std::string("C:\\clean.exe\0", 13));
    SetValue(service, "ImagePath", REG_EXPAND_SZ, std::string("seed.exe\0", 9));
    SetValue(service, "Start", REG_DWORD, std::string("\x02\0\0\0", 4));
    SetValue(service, "DependOnService", REG_MULTI_SZ, std::string("RpcSs\0Tcpip\0\0", 13));
    SetValue(service + "\\Enum", "Count", REG_DWORD, std::string("\x01\0\0\0", 4));
    SetValue(service + "\\Security", "", REG_BINARY, std::string("\x01\x00\xff", 3));

    QuarantineScan scan;
    CHECK(scan.Begin(box.root.c_str(), "20261211-090000", lines));
    QuarantineRecord* record = new QuarantineRecord;
    CHECK(scan.ReadValue(kViewOnly, (std::string(kTestKeyFull) + "\\Run").c_str(), "seed", *record));
    lstrcpynA(record->detection, "W32/KYR.Trojan", sizeof(record->detection));
    lstrcpynA(record->action, "delete value", sizeof(record->action));
    lstrcpynA(record->result, "removed", sizeof(record->result));
    CHECK(scan.Append(*record));
    delete record;
    CHECK(scan.KeepKeyTree(kViewOnly, (std::string(kTestKeyFull) + "\\Services\\seed").c_str(), "W32/KYR.Trojan",
                           "delete service key", "removed"));
    CHECK(scan.WriteRegFile());
    std::string reg = ReadBytes(std::string(scan.Folder()) + "\\" + kRegFileName);
    CHECK(reg.compare(0, 10, "REGEDIT4\r\n") == 0);
    CHECK(reg.find("\"seed\"=hex(2):25,53,79") != std::string::npos);
    CHECK(reg.find("\"Start\"=dword:00000002\r\n") != std::string::npos);
    CHECK(reg.find("[HKEY_LOCAL_MACHINE\\Software\\Tarvex quarantine test\\Services\\seed\\Enum]\r\n") != std::string::npos);

    HKEY key;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, run.c_str(), 0, KEY_ALL_ACCESS, &key);
    RegDeleteValueA(key, "seed");
    RegCloseKey(key);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, service);
    CHECK_FALSE(KeyExists(service));

    UndoReport undo = UndoScan(box.root.c_str(), "20261211-090000", box.view, lines);
    INFO(lines.Joined());
    CHECK(undo.outcome.left == 0);
    CHECK(GetValue(run, "seed") == std::to_string(REG_EXPAND_SZ) + ":" + std::string("%SystemRoot%\\seed.exe\0", 22));
    CHECK(GetValue(run, "other") == std::to_string(REG_SZ) + ":" + std::string("C:\\clean.exe\0", 13));
    CHECK(GetValue(service, "Start") == std::to_string(REG_DWORD) + ":" + std::string("\x02\0\0\0", 4));
    CHECK(GetValue(service, "DependOnService") == std::to_string(REG_MULTI_SZ) + ":" + std::string("RpcSs\0Tcpip\0\0", 13));
    CHECK(GetValue(service + "\\Enum", "Count") == std::to_string(REG_DWORD) + ":" + std::string("\x01\0\0\0", 4));
    CHECK(GetValue(service + "\\Security", "") == std::to_string(REG_BINARY) + ":" + std::string("\x01\x00\xff", 3));
}

TEST_CASE("nothing is written over, and a changed copy or record is refused")
{
    Sandbox box;
    CollectLines lines;
    const std::string a = box.files + "\\a.exe";
    const std::string b = box.files + "\\b.exe";
    const std::string c = box.files + "\\c.exe";
    WriteBytes(a, SomeBytes(5000));
    WriteBytes(b, SomeBytes(6000));
    WriteBytes(c, SomeBytes(7000));
    QuarantineScan scan;
    CHECK(scan.Begin(box.root.c_str(), "3", lines));
    QuarantineRecord record;
    CHECK(KeepAndDelete(scan, a, record));
    CHECK(KeepAndDelete(scan, b, record));
    CHECK(KeepAndDelete(scan, c, record));
    // a: a new file of the same name is there. b: its kept copy was changed.
    WriteBytes(a, "a newer file");
    std::string copy = ReadBytes(std::string(scan.Folder()) + "\\00002.kpt");
    copy[kKeptHeaderSize + 100] ^= 1;
    WriteBytes(std::string(scan.Folder()) + "\\00002.kpt", copy);

    UndoReport undo = UndoScan(box.root.c_str(), "3", box.view, lines);
    std::string said = lines.Joined();
    INFO(said);
    CHECK(undo.outcome.restored == 1);
    CHECK(undo.outcome.left == 2);
    CHECK(UndoExitCodeOf(undo.outcome) == kExitLeftBehind);
    CHECK(ReadBytes(a) == "a newer file");
    CHECK_FALSE(Exists(b));
    CHECK(ReadBytes(c) == SomeBytes(7000));
    CHECK(said.find("a.exe\tnot put back: a file of that name is there, and is left as it is") != std::string::npos);
    CHECK(said.find("b.exe\tnot put back: the kept copy's SHA-256 differs from its record") != std::string::npos);

    // A records file changed to name a path that climbs refuses the whole scan.
    CollectLines second;
    QuarantineScan other;
    CHECK(other.Begin(box.root.c_str(), "4", second));
    const std::string d = box.files + "\\d.exe";
    WriteBytes(d, SomeBytes(100));
    CHECK(KeepAndDelete(other, d, record));
    std::string records = ReadBytes(std::string(other.Folder()) + "\\" + kRecordFileName);
    size_t at = records.find("path=");
    records.insert(at + 5 + box.files.size(), "\\..");
    WriteBytes(std::string(other.Folder()) + "\\" + kRecordFileName, records);
    UndoReport refused = UndoScan(box.root.c_str(), "", box.view, second);
    INFO(second.Joined());
    CHECK(std::string(refused.scanId) == "4");
    CHECK(refused.outcome.left == 1);
    CHECK(refused.outcome.restored == 0);
    CHECK_FALSE(Exists(d));
    CHECK(second.Joined().find("refused: a path that is not absolute") != std::string::npos);
}

TEST_CASE("the bounds: a file over 16 MiB is not kept, old scans are dropped with a line")
{
    Sandbox box;
    CollectLines lines;
    const std::string big = box.files + "\\big.exe";
    HANDLE file = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    SetFilePointer(file, static_cast<LONG>(kMaxKeptFileSize + 1), nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    QuarantineScan scan;
    CHECK(scan.Begin(box.root.c_str(), "20260101-000000", lines));
    QuarantineRecord record;
    CHECK_FALSE(scan.KeepFile(big.c_str(), big.c_str(), big.c_str(), record));
    CHECK(std::string(record.notKept) == "larger than 16 MiB");
    DeleteFileA(big.c_str());

    // The scan's folder made 100 days ago (and last written then: Wine keeps no creation time).
    HANDLE folder = CreateFileA(scan.Folder(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t then = FileTimeValue(now) - 100ull * 24 * 3600 * 10000000ull;
    FILETIME old = {static_cast<DWORD>(then), static_cast<DWORD>(then >> 32)};
    CHECK(SetFileTime(folder, &old, nullptr, &old));
    CloseHandle(folder);
    CollectLines next;
    QuarantineScan later;
    CHECK(later.Begin(box.root.c_str(), "20260501-000000", next));
    CHECK(next.Joined() == "Quarantine: scan 20260101-000000 dropped (older than 90 days)");
    CHECK_FALSE(Exists(box.root + "\\20260101-000000"));
    CHECK(Exists(box.root + "\\20260501-000000"));
}

TEST_CASE("the bounds: older scans give way to a file that does not fit, oldest first")
{
    Sandbox box;
    // Two older scans of 30 MiB each (sparse files: only their listed sizes count).
    const char* const older[] = {"20260301-000000", "20260401-000000"};
    for (int i = 0; i < 2; ++i) {
        std::string folder = box.root + "\\" + older[i];
        CreateDirectoryA(folder.c_str(), nullptr);
        HANDLE file = CreateFileA((folder + "\\00001.kpt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        SetFilePointer(file, 30 * 1024 * 1024, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        // The first is the older by a day.
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        uint64_t then = FileTimeValue(now) - static_cast<uint64_t>(2 - i) * 24 * 3600 * 10000000ull;
        FILETIME time = {static_cast<DWORD>(then), static_cast<DWORD>(then >> 32)};
        HANDLE handle = CreateFileA(folder.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        SetFileTime(handle, &time, nullptr, &time);
        CloseHandle(handle);
    }
    CollectLines lines;
    QuarantineScan scan;
    CHECK(scan.Begin(box.root.c_str(), "20260501-000000", lines));
    CHECK(lines.lines.empty());  // 60 MiB fit
    const std::string path = box.files + "\\five.exe";
    WriteBytes(path, SomeBytes(5 * 1024 * 1024));
    QuarantineRecord* record = new QuarantineRecord;
    CHECK(KeepAndDelete(scan, path, *record));
    delete record;
    CHECK(lines.Joined() == "Quarantine: scan 20260301-000000 dropped (the quarantine is kept under 64 MiB)");
    CHECK_FALSE(Exists(box.root + "\\20260301-000000"));
    CHECK(Exists(box.root + "\\20260401-000000"));
}

TEST_CASE("a file that cannot be kept says why, and is left for the removal")
{
    Sandbox box;
    CollectLines lines;
    const std::string path = box.files + "\\unkept.exe";
    WriteBytes(path, SomeBytes(4000));
    QuarantineScan scan;
    CHECK(scan.Begin(box.root.c_str(), "5", lines));
    // The scan's folder gone under it, as a full or failing disk would leave the copy unwritten.
    RemoveTree(scan.Folder());
    QuarantineRecord record;
    CHECK_FALSE(scan.KeepFile(path.c_str(), path.c_str(), path.c_str(), record));
    CHECK(std::string(record.notKept).compare(0, 29, "the copy could not be written") == 0);
    CHECK(record.copy[0] == '\0');
    CHECK(ReadBytes(path) == SomeBytes(4000));
    CHECK_FALSE(Exists(std::string(scan.Folder()) + "\\00001.kpt"));

    QuarantineScan closed;
    QuarantineRecord other;
    CHECK_FALSE(closed.KeepFile(path.c_str(), path.c_str(), path.c_str(), other));
    CHECK(std::string(other.notKept) == "the quarantine folder could not be made");
    CHECK(other.size == 4000);
}
