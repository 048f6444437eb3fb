// Putting back one scan's removals, after its records have read whole and clean.
#include "disinfect/quarantine_undo.h"

#include "base/clib.h"
#include "base/file_reader.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/kept_copy.h"
#include "platform/registry.h"

namespace {

// The attributes a file can be given back; the others are the file system's own.
const DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | 0x2000 /* not content indexed */;

bool JoinPath(char* dest, size_t destSize, const char* folder, const char* name)
{
    return CopyText(dest, destSize, folder) && AppendText(dest, destSize, "\\") && AppendText(dest, destSize, name);
}

// Which of two scan IDs is the later: the IDs are times written digit for digit, so the longer,
// then the greater, is later.
bool IsLater(const char* a, const char* b)
{
    size_t la = TextLength(a);
    size_t lb = TextLength(b);
    return la != lb ? la > lb : TextCompareN(a, b, la) > 0;
}

FILETIME ToFileTime(uint64_t value)
{
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

class Restorer : public RecordVisitor {
public:
    Restorer(const char* scanId, const char* folder, const Wow64View& view, QuarantineLines& lines)
        : m_scanId(scanId), m_folder(folder), m_view(view), m_lines(lines), m_detection("")
    {
        MemFill(&outcome, 0, sizeof(outcome));
    }
    bool Record(const QuarantineRecord& record) override
    {
        m_detection = record.detection;
        switch (record.kind) {
        case RecordKind::kFile: PutFileBack(record); break;
        case RecordKind::kKey: PutKeyBack(record); break;
        case RecordKind::kValue: PutValueBack(record); break;
        case RecordKind::kUndo: break;
        }
        return true;
    }
    UndoOutcome outcome;

private:
    void Say(const char* what, const char* how, bool putBack)
    {
        char line[kPathSize + kRegistryKeySize + 160];
        FormatText(line, sizeof(line), "%s\t%s", what, how);
        m_lines.Line(line);
        m_lines.Object(m_scanId, what, m_detection, putBack, how);
    }
    void Left(const char* what, const char* why)
    {
        char how[200];
        FormatText(how, sizeof(how), "not put back: %s", why);
        Say(what, how, false);
        ++outcome.left;
    }
    void Restored(const char* what)
    {
        Say(what, "put back", true);
        ++outcome.restored;
    }

    void PutFileBack(const QuarantineRecord& record);
    void PutKeyBack(const QuarantineRecord& record);
    void PutValueBack(const QuarantineRecord& record);

    const char* m_scanId;
    const char* m_folder;
    const Wow64View& m_view;
    QuarantineLines& m_lines;
    const char* m_detection;  // the record being put back's
};

void Restorer::PutFileBack(const QuarantineRecord& record)
{
    if (record.copy[0] == '\0') {
        Left(record.path, record.notKept);
        return;
    }
    size_t length = TextLength(record.path);
    // The file calls would trim such a name to a namesake's.
    if (record.path[length - 1] == '.' || record.path[length - 1] == ' ') {
        Left(record.path, "its name ends in a dot or a space");
        return;
    }
    if (record.size > kMaxKeptFileSize) {
        Left(record.path, "larger than 16 MiB");
        return;
    }
    char buffer[kPathSize];
    const char* target = ForFileCalls(record.path, m_view, buffer, sizeof(buffer));
    if (GetFileAttributesA(target) != INVALID_FILE_ATTRIBUTES) {
        Left(record.path, "a file of that name is there, and is left as it is");
        return;
    }
    char copyPath[kPathSize];
    if (!JoinPath(copyPath, sizeof(copyPath), m_folder, record.copy)) {
        Left(record.path, "the kept copy's path is too long");
        return;
    }
    uint8_t* bytes = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, static_cast<size_t>(record.size) + 1));
    if (bytes == nullptr) {
        Left(record.path, "no memory to read the kept copy");
        return;
    }
    const char* fault = "the kept copy is missing";
    {
        FileReader copy(copyPath, FILE_SHARE_READ);
        if (copy.IsOpen())
            fault = ReadKeptCopy(copy, record.size, record.sha256, bytes);
    }
    DWORD error = 0;
    bool written = false;
    if (fault == nullptr) {
        // CREATE_NEW: a file that appeared since the check above is not written over either.
        ScopedFileHandle file(CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        bool made = file.IsValid();
        DWORD done = 0;
        DWORD size = static_cast<DWORD>(record.size);
        written = made && (size == 0 || (WriteFile(file.Get(), bytes, size, &done, nullptr) && done == size));
        if (written) {
            FILETIME created = ToFileTime(record.created);
            FILETIME accessed = ToFileTime(record.accessed);
            FILETIME lastWritten = ToFileTime(record.written);
            SetFileTime(file.Get(), &created, &accessed, &lastWritten);
        }
        error = written ? 0 : GetLastError();
        written = file.Close() && written;
        // Only a file this undo made is taken away again; a half-written one would pass for the original.
        if (made && !written)
            DeleteFileA(target);
    }
    HeapFree(GetProcessHeap(), 0, bytes);
    if (fault != nullptr) {
        Left(record.path, fault);
        return;
    }
    if (!written) {
        char why[80];
        if (error == ERROR_PATH_NOT_FOUND)
            CopyText(why, sizeof(why), "its folder is gone");
        else if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            CopyText(why, sizeof(why), "a file of that name is there, and is left as it is");
        else
            FormatText(why, sizeof(why), "it could not be written (error %u)", static_cast<unsigned>(error));
        Left(record.path, why);
        return;
    }
    DWORD attributes = record.attributes & kSettableAttributes;
    SetFileAttributesA(target, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
    Restored(record.path);
}

void Restorer::PutKeyBack(const QuarantineRecord& record)
{
    ScopedRegistryKey key;
    DWORD disposition = 0;
    const char* subkey = LocalMachineSubkey(record.key);
    if (subkey == nullptr || RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, 0, KEY_READ | ViewFlag(record.view),
                                             nullptr, key.Out(), &disposition) != ERROR_SUCCESS) {
        Left(record.key, "the key could not be made");
        return;
    }
    // A key that is there already takes its values back; only a new one is a thing put back.
    if (disposition == REG_CREATED_NEW_KEY)
        Restored(record.key);
}

void Restorer::PutValueBack(const QuarantineRecord& record)
{
    char what[kRegistryKeySize + kValueNameSize + 8];
    FormatText(what, sizeof(what), "%s\\%s", record.key, record.valueName[0] != '\0' ? record.valueName : "(default)");
    ScopedRegistryKey key;
    DWORD disposition = 0;
    const char* subkey = LocalMachineSubkey(record.key);
    if (subkey == nullptr ||
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | ViewFlag(record.view),
                        nullptr, key.Out(), &disposition) != ERROR_SUCCESS) {
        Left(what, "its key could not be opened");
        return;
    }
    DWORD size = 0;
    DWORD type = 0;
    if (RegQueryValueExA(key.Get(), record.valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        Left(what, "a value of that name is there, and is left as it is");
        return;
    }
    if (RegSetValueExA(key.Get(), record.valueName, 0, record.valueType, record.data, record.dataSize) != ERROR_SUCCESS) {
        Left(what, "it could not be written");
        return;
    }
    Restored(what);
}

// A scan's records, read once without acting: what it holds and whether it reads clean.
bool ReadSummary(const char* root, const char* scanId, char* records, size_t recordsSize, RecordFileSummary& summary)
{
    char folder[kPathSize];
    return JoinPath(folder, sizeof(folder), root, scanId) && JoinPath(records, recordsSize, folder, kRecordFileName) &&
           ReadRecordFileAt(records, summary, nullptr) && CompareNoCase(summary.header.scanId, scanId) == 0;
}

bool HoldsRemovals(const RecordFileSummary& summary)
{
    return summary.files + summary.keys + summary.values > 0;
}

// The latest scan that removed something and was not undone yet; "" when there is none. A later
// scan whose records do not read is chosen too, so that it is refused, never passed over.
void LatestScan(const char* root, char* scanId, size_t scanIdSize)
{
    scanId[0] = '\0';
    char pattern[kPathSize];
    if (!JoinPath(pattern, sizeof(pattern), root, "*"))
        return;
    WIN32_FIND_DATAA found;
    ScopedFindHandle find(FindFirstFileA(pattern, &found));
    if (!find.IsValid())
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || !IsScanIdText(found.cFileName))
            continue;
        if (scanId[0] != '\0' && !IsLater(found.cFileName, scanId))
            continue;
        char records[kPathSize];
        RecordFileSummary summary;
        bool clean = ReadSummary(root, found.cFileName, records, sizeof(records), summary);
        // A folder left without its records file by a stop before the first line holds nothing.
        if (!clean && GetFileAttributesA(records) == INVALID_FILE_ATTRIBUTES)
            continue;
        if (!clean || (HoldsRemovals(summary) && summary.undos == 0))
            CopyText(scanId, scanIdSize, found.cFileName);
    } while (FindNextFileA(find.Get(), &found));
}

}  // namespace

UndoReport UndoScan(const char* root, const char* scanId, const Wow64View& view, QuarantineLines& lines)
{
    UndoReport report;
    MemFill(&report, 0, sizeof(report));
    char line[kPathSize + 160];
    if (scanId[0] == '\0')
        LatestScan(root, report.scanId, sizeof(report.scanId));
    else
        CopyText(report.scanId, sizeof(report.scanId), scanId);
    if (report.scanId[0] == '\0') {
        lines.Line("Undo: the quarantine holds no scan to put back");
        return report;
    }
    char folder[kPathSize];
    char records[kPathSize];
    RecordFileSummary summary;
    // Read whole once without acting: a record that does not read refuses the whole scan.
    if (!JoinPath(folder, sizeof(folder), root, report.scanId) ||
        !ReadSummary(root, report.scanId, records, sizeof(records), summary)) {
        if (GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES)
            FormatText(line, sizeof(line), "Undo of scan %s: the quarantine holds no such scan", report.scanId);
        else
            FormatText(line, sizeof(line), "Undo of scan %s refused: %s (line %d)", report.scanId,
                       RecordFaultText(summary.fault), static_cast<int>(summary.faultLine));
        lines.Line(line);
        report.outcome.left = 1;
        return report;
    }
    if (summary.undos > 0) {
        FormatText(line, sizeof(line), "Undo of scan %s: undone before; nothing is changed", report.scanId);
        lines.Line(line);
        report.alreadyUndone = true;
        return report;
    }
    FormatText(line, sizeof(line), "Undo of scan %s", report.scanId);
    lines.Line(line);
    Restorer restorer(report.scanId, folder, view, lines);
    RecordFileSummary again;
    if (!ReadRecordFileAt(records, again, &restorer)) {
        // Changed between the two readings: what was put back stays, the rest is left.
        FormatText(line, sizeof(line), "Undo of scan %s stopped: %s", report.scanId, RecordFaultText(again.fault));
        lines.Line(line);
        ++restorer.outcome.left;
    }
    report.outcome = restorer.outcome;
    QuarantineRecord* undo = new QuarantineRecord;
    if (undo != nullptr) {
        ClearRecord(*undo, RecordKind::kUndo);
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        undo->undoTime = FileTimeValue(now);
        undo->restored = report.outcome.restored;
        undo->left = report.outcome.left;
        if (!AppendRecordTo(folder, *undo))
            lines.Line("Undo: the undo could not be recorded; a second undo would try again");
        delete undo;
    }
    FormatText(line, sizeof(line), "Undo of scan %s: put back %d, not put back %d", report.scanId,
               static_cast<int>(report.outcome.restored), static_cast<int>(report.outcome.left));
    lines.Line(line);
    return report;
}
