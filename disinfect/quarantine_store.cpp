// The quarantine's folders and files: keeping copies and registry data before a removal, the
// records file and its .reg text, and the bounds applied at the start of a scan.
#include "disinfect/quarantine_store.h"

#include "base/clib.h"
#include "base/file_reader.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/kept_copy.h"
#include "disinfect/restart_move.h"
#include "disinfect/reg_text.h"
#include "platform/registry.h"
#include "platform/version.h"

namespace {

const char kToolFolder[] = "Tarvex";
const char kQuarantineFolder[] = "Quarantine";
const char kLocalMachine[] = "HKEY_LOCAL_MACHINE\\";
// How deep a removed key's subkeys are followed: service keys are a few levels deep.
const int kMaxKeyDepth = 16;
const DWORD kWriteChunk = 65536;

bool JoinPath(char* dest, size_t destSize, const char* folder, const char* name)
{
    return CopyText(dest, destSize, folder) && AppendText(dest, destSize, "\\") && AppendText(dest, destSize, name);
}

// The one place the quarantine's folders are made. On the NT family they are the tool's own, as
// the folder for files moved at the restart is: only Administrators and SYSTEM may write them.
// 95/98/ME keep no access lists, so a plain folder is all there is.
bool MakeQuarantineFolder(const char* path)
{
    if (GetPlatformCode() == kPlatformNt)
        return MakeOwnFolder(path);
    if (CreateDirectoryA(path, nullptr))
        return true;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Appends text to a file, a buffer at a time, so a record lands in one or few writes.
class FileAppendSink : public TextSink {
public:
    explicit FileAppendSink(const char* path)
        : m_file(CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)),
          m_used(0), m_ok(m_file.IsValid())
    {
        if (m_ok && SetFilePointer(m_file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
            GetLastError() != NO_ERROR)
            m_ok = false;
    }
    bool Write(const char* data, size_t size) override
    {
        while (m_ok && size > 0) {
            size_t take = sizeof(m_buffer) - m_used < size ? sizeof(m_buffer) - m_used : size;
            MemCopy(m_buffer + m_used, data, take);
            m_used += take;
            data += take;
            size -= take;
            if (m_used == sizeof(m_buffer))
                Flush();
        }
        return m_ok;
    }
    bool Finish()
    {
        Flush();
        return m_file.Close() && m_ok;
    }

private:
    void Flush()
    {
        DWORD written = 0;
        if (m_ok && m_used > 0 && (!WriteFile(m_file.Get(), m_buffer, static_cast<DWORD>(m_used), &written, nullptr) ||
                                   written != m_used))
            m_ok = false;
        m_used = 0;
    }
    ScopedFileHandle m_file;
    char m_buffer[8192];
    size_t m_used;
    bool m_ok;
};

// Deletes the files of a scan's folder, then the folder; false when something stayed.
bool DropScanFolder(const char* folder)
{
    char pattern[kPathSize];
    if (!JoinPath(pattern, sizeof(pattern), folder, "*"))
        return false;
    WIN32_FIND_DATAA found;
    {
        ScopedFindHandle find(FindFirstFileA(pattern, &found));
        if (find.IsValid()) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                    continue;
                char file[kPathSize];
                if (JoinPath(file, sizeof(file), folder, found.cFileName)) {
                    SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(file);
                }
            } while (FindNextFileA(find.Get(), &found));
        }
    }
    return RemoveDirectoryA(folder) != 0;
}

uint64_t FolderBytes(const char* folder)
{
    char pattern[kPathSize];
    if (!JoinPath(pattern, sizeof(pattern), folder, "*"))
        return 0;
    uint64_t total = 0;
    WIN32_FIND_DATAA found;
    ScopedFindHandle find(FindFirstFileA(pattern, &found));
    if (!find.IsValid())
        return 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            total += (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileA(find.Get(), &found));
    return total;
}

bool WriteAll(HANDLE file, const uint8_t* data, uint64_t size)
{
    while (size > 0) {
        DWORD take = size < kWriteChunk ? static_cast<DWORD>(size) : kWriteChunk;
        DWORD written = 0;
        if (!WriteFile(file, data, take, &written, nullptr) || written != take)
            return false;
        data += take;
        size -= take;
    }
    return true;
}

void SetWhyNot(QuarantineRecord& record, const char* why, DWORD error)
{
    if (error != 0)
        FormatText(record.notKept, sizeof(record.notKept), "%s (error %u)", why, static_cast<unsigned>(error));
    else
        CopyText(record.notKept, sizeof(record.notKept), why);
    record.copy[0] = '\0';
}

// Heap memory of a size known at run time, freed at the end of the scope.
class HeapBytes {
public:
    explicit HeapBytes(size_t size)
        : m_data(static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, size > 0 ? size : 1)))
    {
    }
    ~HeapBytes()
    {
        if (m_data != nullptr)
            HeapFree(GetProcessHeap(), 0, m_data);
    }
    HeapBytes(const HeapBytes&) = delete;
    HeapBytes& operator=(const HeapBytes&) = delete;
    uint8_t* Get() const { return m_data; }

private:
    uint8_t* m_data;
};

class RegFileVisitor : public RecordVisitor {
public:
    explicit RegFileVisitor(RegFileWriter& writer) : m_writer(writer), ok(true), registry(0) {}
    bool Record(const QuarantineRecord& record) override
    {
        if (record.kind == RecordKind::kKey || record.kind == RecordKind::kValue)
            ++registry;
        ok = m_writer.Add(record) && ok;
        return true;
    }
    RegFileWriter& m_writer;
    bool ok;
    int32_t registry;
};

}  // namespace

uint64_t FileTimeValue(const FILETIME& time)
{
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

int64_t FileTimeSeconds(uint64_t value)
{
    return static_cast<int64_t>(value / 10000000u);
}

bool QuarantineRoot(char* path, size_t pathSize, bool create)
{
    char windows[kPathSize];
    UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    if (length == 0 || length >= sizeof(windows))
        return false;
    // "C:\" keeps its backslash; any other folder has none at its end.
    if (windows[length - 1] == '\\')
        windows[length - 1] = '\0';
    char tool[kPathSize];
    if (!JoinPath(tool, sizeof(tool), windows, kToolFolder) || !JoinPath(path, pathSize, tool, kQuarantineFolder))
        return false;
    if (!create)
        return true;
    return MakeQuarantineFolder(tool) && MakeQuarantineFolder(path);
}

uint64_t ApplyQuarantineBounds(const char* root, int64_t now, uint64_t reserve, const char* keepId,
                               QuarantineLines& lines)
{
    HeapBytes block(sizeof(KeptScan) * kMaxKeptScans);
    KeptScan* scans = reinterpret_cast<KeptScan*>(block.Get());
    if (scans == nullptr)
        return 0;
    int32_t count = 0;
    char pattern[kPathSize];
    if (!JoinPath(pattern, sizeof(pattern), root, "*"))
        return 0;
    {
        WIN32_FIND_DATAA found;
        ScopedFindHandle find(FindFirstFileA(pattern, &found));
        if (find.IsValid()) {
            do {
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || !IsScanIdText(found.cFileName) ||
                    (keepId != nullptr && CompareNoCase(found.cFileName, keepId) == 0) || count == kMaxKeptScans)
                    continue;
                KeptScan& scan = scans[count++];
                MemFill(&scan, 0, sizeof(scan));
                CopyText(scan.scanId, sizeof(scan.scanId), found.cFileName);
                // The earlier of the two: not every file system keeps a folder's creation time.
                uint64_t created = FileTimeValue(found.ftCreationTime);
                uint64_t written = FileTimeValue(found.ftLastWriteTime);
                scan.keptAt = FileTimeSeconds(created != 0 && created < written ? created : written);
                char folder[kPathSize];
                scan.bytes = JoinPath(folder, sizeof(folder), root, found.cFileName) ? FolderBytes(folder) : 0;
            } while (FindNextFileA(find.Get(), &found));
        }
    }
    int32_t dropped = PlanQuarantineBounds(scans, count, now, reserve);
    uint64_t left = 0;
    for (int32_t i = 0; i < count; ++i)
        left += scans[i].bytes;
    for (int32_t order = 1; order <= dropped; ++order) {
        for (int32_t i = 0; i < count; ++i) {
            if (scans[i].dropOrder != order)
                continue;
            char folder[kPathSize];
            char line[160];
            FormatDropLine(scans[i], line, sizeof(line));
            if (JoinPath(folder, sizeof(folder), root, scans[i].scanId) && DropScanFolder(folder)) {
                left -= scans[i].bytes;
            } else {
                AppendText(line, sizeof(line), ", but the folder could not be removed whole");
                left -= scans[i].bytes - FolderBytes(folder);
            }
            lines.Line(line);
        }
    }
    return left;
}

QuarantineScan::QuarantineScan() : m_bOpen(false), m_nCopies(0), m_nKeptBytes(0), m_nOtherBytes(0), m_pLines(nullptr)
{
    m_strFolder[0] = '\0';
    m_strRoot[0] = '\0';
    m_strScanId[0] = '\0';
}

bool QuarantineScan::Begin(const char* root, const char* scanId, QuarantineLines& lines)
{
    m_pLines = &lines;
    m_bOpen = false;
    if (!IsScanIdText(scanId) || !CopyText(m_strRoot, sizeof(m_strRoot), root) ||
        !CopyText(m_strScanId, sizeof(m_strScanId), scanId) ||
        !JoinPath(m_strFolder, sizeof(m_strFolder), root, scanId))
        return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    m_nOtherBytes = ApplyQuarantineBounds(root, FileTimeSeconds(FileTimeValue(now)), 0, scanId, lines);
    if (!MakeQuarantineFolder(m_strFolder))
        return false;
    char records[kPathSize];
    if (!JoinPath(records, sizeof(records), m_strFolder, kRecordFileName))
        return false;
    // A second Begin of the same scan (the finishing step after a restart) appends to its records.
    if (GetFileAttributesA(records) == INVALID_FILE_ATTRIBUTES) {
        RecordFileHeader header{};
        CopyText(header.scanId, sizeof(header.scanId), scanId);
        FileAppendSink sink(records);
        if (!WriteRecordFileHeader(header, sink) || !sink.Finish())
            return false;
    }
    m_nKeptBytes = FolderBytes(m_strFolder);
    m_bOpen = true;
    return true;
}

bool QuarantineScan::KeepFile(const char* path, const char* shortPath, const char* fileCallPath,
                              QuarantineRecord& record, ByteReader* held)
{
    ClearRecord(record, RecordKind::kFile);
    CopyText(record.path, sizeof(record.path), path);
    CopyText(record.shortPath, sizeof(record.shortPath), shortPath);
    WIN32_FIND_DATAA found;
    {
        // FindFirstFile, not GetFileAttributesEx: Windows 95 before OSR2 lacks the latter.
        ScopedFindHandle find(FindFirstFileA(fileCallPath, &found));
        if (!find.IsValid()) {
            SetWhyNot(record, "its attributes could not be read", GetLastError());
            return false;
        }
    }
    record.attributes = found.dwFileAttributes;
    record.created = FileTimeValue(found.ftCreationTime);
    record.accessed = FileTimeValue(found.ftLastAccessTime);
    record.written = FileTimeValue(found.ftLastWriteTime);
    record.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    if (!m_bOpen) {
        SetWhyNot(record, "the quarantine folder could not be made", 0);
        return false;
    }
    if (const char* refusal = KeptFileRefusal(record.size)) {
        SetWhyNot(record, refusal, 0);
        return false;
    }
    if (m_nOtherBytes + m_nKeptBytes + record.size + kKeptHeaderSize > kMaxQuarantineSize) {
        // Older scans give way to this removal.
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        m_nOtherBytes = ApplyQuarantineBounds(m_strRoot, FileTimeSeconds(FileTimeValue(now)),
                                              m_nKeptBytes + record.size + kKeptHeaderSize, m_strScanId, *m_pLines);
        if (m_nOtherBytes + m_nKeptBytes + record.size + kKeptHeaderSize > kMaxQuarantineSize) {
            SetWhyNot(record, kQuarantineFullText, 0);
            return false;
        }
    }
    FileReader opened;
    if (held == nullptr && !opened.Open(fileCallPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0)) {
        SetWhyNot(record, "the file could not be opened to be kept", GetLastError());
        return false;
    }
    ByteReader& source = held != nullptr ? *held : opened;
    size_t size = static_cast<size_t>(record.size);
    HeapBytes bytes(size);
    if (bytes.Get() == nullptr) {
        SetWhyNot(record, "no memory to keep it", 0);
        return false;
    }
    if (size > 0 && (source.Length() != static_cast<int64_t>(size) ||
                     source.ReadAt(0, bytes.Get(), static_cast<int32_t>(size)) != static_cast<int32_t>(size))) {
        SetWhyNot(record, "the file could not be read whole", GetLastError());
        return false;
    }
    opened.Close();
    KeptHeader header{};
    header.size = record.size;
    Sha256Of(bytes.Get(), size, header.sha256);
    MemCopy(record.sha256, header.sha256, kSha256Size);
    // Mixed before anything is written: no file of ours ever holds the removed bytes as they were.
    KeptCopyMixer mixer;
    mixer.Apply(bytes.Get(), size);
    uint8_t head[kKeptHeaderSize];
    WriteKeptHeader(header, head);
    char name[kKeptCopyNameSize];
    char copyPath[kPathSize];
    for (;;) {
        if (!KeptCopyName(++m_nCopies, name, sizeof(name)) || !JoinPath(copyPath, sizeof(copyPath), m_strFolder, name)) {
            SetWhyNot(record, "no name is left for the copy", 0);
            return false;
        }
        // A name left by an earlier run of this scan is skipped, never written over.
        if (GetFileAttributesA(copyPath) == INVALID_FILE_ATTRIBUTES)
            break;
    }
    bool written;
    DWORD error = 0;
    {
        ScopedFileHandle copy(
            CreateFileA(copyPath, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        written = copy.IsValid() && WriteAll(copy.Get(), head, sizeof(head)) && WriteAll(copy.Get(), bytes.Get(), size);
        if (!written)
            error = GetLastError();
        written = copy.Close() && written;
    }
    if (!written) {
        // A full disk leaves no half copy behind, and never stops the removal.
        DeleteFileA(copyPath);
        SetWhyNot(record, "the copy could not be written", error);
        return false;
    }
    m_nKeptBytes += sizeof(head) + size;
    CopyText(record.copy, sizeof(record.copy), name);
    return true;
}

void QuarantineScan::DropCopy(const QuarantineRecord& record)
{
    char copyPath[kPathSize];
    if (record.copy[0] == '\0' || !JoinPath(copyPath, sizeof(copyPath), m_strFolder, record.copy) ||
        !DeleteFileA(copyPath))
        return;
    uint64_t bytes = kKeptHeaderSize + record.size;
    m_nKeptBytes = m_nKeptBytes > bytes ? m_nKeptBytes - bytes : 0;
}

const char* LocalMachineSubkey(const char* key)
{
    size_t length = sizeof(kLocalMachine) - 1;
    return CompareNoCaseN(key, kLocalMachine, length) == 0 ? key + length : nullptr;
}

bool QuarantineScan::ReadValue(RegistryView view, const char* key, const char* valueName, QuarantineRecord& record)
{
    ClearRecord(record, RecordKind::kValue);
    record.view = view;
    const char* subkey = LocalMachineSubkey(key);
    if (subkey == nullptr || !CopyText(record.key, sizeof(record.key), key) ||
        !CopyText(record.valueName, sizeof(record.valueName), valueName))
        return false;
    ScopedRegistryKey opened;
    if (!OpenRegistryKey(HKEY_LOCAL_MACHINE, subkey, KEY_QUERY_VALUE, opened, view))
        return false;
    DWORD type = 0;
    DWORD size = sizeof(record.data);
    if (RegQueryValueExA(opened.Get(), valueName, nullptr, &type, record.data, &size) != ERROR_SUCCESS)
        return false;
    record.valueType = type;
    record.dataSize = size;
    return true;
}

bool QuarantineScan::KeepKeyLevel(RegistryView view, const char* key, const char* detection, const char* action,
                                  const char* result, int depth)
{
    if (depth > kMaxKeyDepth)
        return false;
    const char* subkey = LocalMachineSubkey(key);
    ScopedRegistryKey opened;
    if (subkey == nullptr || !OpenRegistryKey(HKEY_LOCAL_MACHINE, subkey, KEY_READ, opened, view))
        return false;
    // On the heap: a record holds a value's data whole, and the levels nest.
    QuarantineRecord* record = new QuarantineRecord;
    if (record == nullptr)
        return false;
    bool whole = true;
    ClearRecord(*record, RecordKind::kKey);
    record->view = view;
    CopyText(record->key, sizeof(record->key), key);
    CopyText(record->detection, sizeof(record->detection), detection);
    CopyText(record->action, sizeof(record->action), action);
    CopyText(record->result, sizeof(record->result), result);
    whole = Append(*record) && whole;
    for (DWORD index = 0;; ++index) {
        char name[kValueNameSize];
        DWORD nameSize = sizeof(name);
        DWORD type = 0;
        DWORD dataSize = sizeof(record->data);
        ClearRecord(*record, RecordKind::kValue);
        LONG status = RegEnumValueA(opened.Get(), index, name, &nameSize, nullptr, &type, record->data, &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS) {
            whole = false;  // a name or data too long to keep: the rest is still kept
            continue;
        }
        record->view = view;
        CopyText(record->key, sizeof(record->key), key);
        CopyText(record->valueName, sizeof(record->valueName), name);
        record->valueType = type;
        record->dataSize = dataSize;
        CopyText(record->detection, sizeof(record->detection), detection);
        CopyText(record->action, sizeof(record->action), action);
        CopyText(record->result, sizeof(record->result), result);
        whole = Append(*record) && whole;
    }
    delete record;
    for (DWORD index = 0;; ++index) {
        char name[256];
        LONG status = RegEnumKeyA(opened.Get(), index, name, sizeof(name));
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        char child[kRegistryKeySize];
        if (status != ERROR_SUCCESS || !JoinPath(child, sizeof(child), key, name)) {
            whole = false;
            continue;
        }
        whole = KeepKeyLevel(view, child, detection, action, result, depth + 1) && whole;
    }
    return whole;
}

bool QuarantineScan::KeepKeyTree(RegistryView view, const char* key, const char* detection, const char* action,
                                 const char* result)
{
    return m_bOpen && KeepKeyLevel(view, key, detection, action, result, 0);
}

bool QuarantineScan::Append(const QuarantineRecord& record)
{
    return m_bOpen && AppendRecordTo(m_strFolder, record);
}

bool AppendRecordTo(const char* folder, const QuarantineRecord& record)
{
    char records[kPathSize];
    if (!JoinPath(records, sizeof(records), folder, kRecordFileName))
        return false;
    FileAppendSink sink(records);
    return WriteRecord(record, sink) && sink.Finish();
}

bool QuarantineScan::WriteRegFile()
{
    char records[kPathSize];
    char regPath[kPathSize];
    if (!m_bOpen || !JoinPath(records, sizeof(records), m_strFolder, kRecordFileName) ||
        !JoinPath(regPath, sizeof(regPath), m_strFolder, kRegFileName))
        return false;
    DeleteFileA(regPath);
    RecordFileSummary summary;
    {
        FileAppendSink sink(regPath);
        RegFileWriter writer(sink);
        RegFileVisitor visitor(writer);
        bool ok = writer.Begin() && ReadRecordFileAt(records, summary, &visitor) && visitor.ok && writer.End();
        if (!sink.Finish() || !ok || visitor.registry == 0) {
            DeleteFileA(regPath);
            return ok && visitor.registry == 0;
        }
    }
    return true;
}

bool QuarantineScan::End()
{
    if (!m_bOpen)
        return false;
    WriteRegFile();
    char records[kPathSize];
    RecordFileSummary summary;
    bool recorded = !JoinPath(records, sizeof(records), m_strFolder, kRecordFileName) ||
                    !ReadRecordFileAt(records, summary, nullptr) ||
                    summary.files + summary.keys + summary.values + summary.undos > 0;
    // A records file that does not read whole is left for the undo to refuse with its reason.
    if (!recorded)
        DropScanFolder(m_strFolder);
    m_bOpen = false;
    return recorded;
}

bool ReadRecordFileAt(const char* path, RecordFileSummary& summary, RecordVisitor* visitor)
{
    FileReader reader(path, FILE_SHARE_READ);
    if (!reader.IsOpen()) {
        MemFill(&summary, 0, sizeof(summary));
        summary.fault = RecordFault::kUnreadable;
        return false;
    }
    return ReadRecordFile(reader, summary, visitor);
}
