// Disposal of detected files: removal, renaming, and deletion at the next start of Windows.
#include <windows.h>
#include <cstring>

#include "base/byte_reader.h"
#include "base/file_reader.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/dispose.h"
#include "disinfect/quarantine_store.h"
#include "disinfect/restart_move.h"
#include "disinfect/wininit_text.h"
#include "match/signature_match.h"
#include "platform/held_file.h"
#include "platform/held_file_rules.h"
#include "platform/process_kill.h"
#include "platform/version.h"

namespace {

class FileSink : public TextSink {
public:
    explicit FileSink(HANDLE file) : m_file(file), m_total(0) {}
    bool Write(const char* data, size_t size) override
    {
        DWORD written = 0;
        bool whole = WriteFile(m_file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
        m_total += written;
        return whole;
    }
    // Whether the file holds exactly the bytes written through this sink.
    bool HoldsAll() const
    {
        return FileLengthOf(m_file) == static_cast<int64_t>(m_total);
    }

private:
    HANDLE m_file;
    DWORD m_total;
};

// The new wininit.ini is written under this name beside the old one, so that replacing it is a
// rename within one folder.
const char kWininitTempName[] = "\\wininit.tvx";

// Copies wininit.ini to the temporary folder, where the copy stays as a backup; copyPath names it.
bool MakeBackupCopy(const char* iniPath, char* copyPath, DWORD copyPathSize)
{
    DWORD tempLength = GetTempPathA(copyPathSize, copyPath);
    if (tempLength == 0 || tempLength >= copyPathSize || !AppendText(copyPath, copyPathSize, "wininit.ini"))
        return false;
    // An older copy left there must never be written back in place of the current file. A copy of
    // a read-only wininit.ini is read-only too and would refuse the next overwrite.
    SetFileAttributesA(copyPath, FILE_ATTRIBUTE_NORMAL);
    return CopyFileA(iniPath, copyPath, FALSE) != 0;
}

// Puts the fully written temporary file in the place of wininit.ini.
bool ReplaceWininit(const char* tempPath, const char* iniPath, MoveFileExRoutine moveFileEx)
{
    if (moveFileEx(tempPath, iniPath, MOVEFILE_REPLACE_EXISTING))
        return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
        DeleteFileA(tempPath);
        return false;
    }
    // Windows 95/98/ME have no replacing rename: delete, then rename.
    if (!DeleteFileA(iniPath) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        DeleteFileA(tempPath);
        return false;
    }
    // If this fails the temporary file is kept: it is the only copy of the pending renames.
    return MoveFileA(tempPath, iniPath) != 0;
}

// Writes the old text with the new entry to the temporary file and, only when every byte is there,
// puts it in the place of wininit.ini. A short write (a full disk) must never leave a torn file.
bool WriteWininit(ByteReader& oldText, const char* target, const char* file, const char* tempPath, const char* iniPath,
                  MoveFileExRoutine moveFileEx)
{
    ScopedFileHandle temp(CreateFileA(tempPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!temp.IsValid())
        return false;
    FileSink sink(temp.Get());
    bool written = RewriteWininitText(oldText, target, file, sink) && sink.HoldsAll();
    if (!temp.Close() || !written) {
        DeleteFileA(tempPath);
        return false;
    }
    return ReplaceWininit(tempPath, iniPath, moveFileEx);
}

// A copy of a found file kept before the disposal acts on it, and its record, appended with the
// act's result once that is known. A file that cannot be kept is still acted on; once it is gone
// (or waits for the restart), the report says why it was not kept.
class KeptBeforeAct {
public:
    // held: the handle that matched the file, when there is one, so that what is kept is what matched.
    KeptBeforeAct(ScanState& s, const char* path, const char* name, ByteReader* held)
        : m_state(s), m_removed(s.filesRemoved), m_waiting(s.restartDeletions), m_left(s.findsLeftBehind),
          m_pRecord(nullptr)
    {
        if (s.quarantine == nullptr || !DispositionActs(s.dispositionCode))
            return;
        // On the heap: a record holds a value's data whole.
        m_pRecord = new QuarantineRecord;
        if (m_pRecord == nullptr)
            return;
        char fileCallPath[kPathSize];
        const char* shown = ShownPath(s, path);
        QuarantineRecord& record = *m_pRecord;
        s.quarantine->KeepFile(shown, path, ForFileCalls(s, path, fileCallPath, sizeof(fileCallPath)), record, held);
        CopyText(record.detection, sizeof(record.detection), name);
        CopyText(record.action, sizeof(record.action), s.dispositionCode == kDispositionRename ? "rename" : "remove");
    }
    KeptBeforeAct(const KeptBeforeAct&) = delete;
    KeptBeforeAct& operator=(const KeptBeforeAct&) = delete;
    ~KeptBeforeAct() { delete m_pRecord; }
    // After the act: the counters tell what it did. A file that stayed where it was is not recorded,
    // and its copy goes: there is nothing to put back.
    void Recorded()
    {
        if (m_pRecord == nullptr)
            return;
        QuarantineRecord& record = *m_pRecord;
        const char* result = m_state.dispositionCode == kDispositionRename ? "renamed" : "removed";
        if (m_state.restartDeletions != m_waiting)
            result = "waits for the restart";
        else if (m_state.findsLeftBehind != m_left && m_state.filesRemoved == m_removed)
            result = nullptr;
        if (result == nullptr) {
            m_state.quarantine->DropCopy(record);
            return;
        }
        CopyText(record.result, sizeof(record.result), result);
        const char* whyNot = record.copy[0] == '\0' ? record.notKept : nullptr;
        if (!m_state.quarantine->Append(record) && whyNot == nullptr)
            whyNot = "its record could not be written";
        if (whyNot != nullptr) {
            char line[kReportLineChars];
            FormatText(line, sizeof(line), "%s     %s not kept in the quarantine: %s", record.path, record.detection,
                       whyNot);
            ScanResults(m_state).RecordLine(line);
        }
    }

private:
    ScanState& m_state;
    int32_t m_removed;
    int32_t m_waiting;
    int32_t m_left;
    QuarantineRecord* m_pRecord;  // null when nothing is kept
};

void RemoveInfectedFile(ScanState& s, const char* path, const char* name, const DisposalTexts& texts)
{
    // path names the file as a 64-bit program does; the file calls need their own spelling of it.
    char fileCallBuffer[kPathSize];
    const char* fileCallPath = ForFileCalls(s, path, fileCallBuffer, sizeof(fileCallBuffer));
    // Clears read-only, hidden and system, which would make the deletion fail.
    if (texts.forced && !SetFileAttributesA(fileCallPath, FILE_ATTRIBUTE_ARCHIVE)) {
        // Named as the detector recorded the find: in the memory scan's second pass, the path the
        // walker showed and the variant the first pass found.
        SendFileResult(s, ResultKind::kFileLeft, s.currentText, s.currentName, texts.removeFailed);
        s.findsLeftBehind += 1;
        return;
    }
    if (DeleteFileA(fileCallPath) || (texts.forced && KillProcessOfFile(path, s.wow64, KillReport{ScanResults(s), name}) != 0 && DeleteFileA(fileCallPath))) {
        s.filesRemoved += 1;
        SendFileResult(s, ResultKind::kFileRemoved, path, name, "removed");
        return;
    }
    // A later failed request must not withdraw the restart an earlier one needs.
    if (texts.forced && ScheduleDeleteAtRestart(path) != 0) {
        s.restartNeeded = 1;
        s.restartDeletions += 1;
        SendFileResult(s, ResultKind::kFileWaitsRestart, path, name, texts.removeFailed);
    } else {
        s.findsLeftBehind += 1;
        SendFileResult(s, ResultKind::kFileLeft, path, name, texts.removeFailed);
    }
}

// A report line for a matched file the disposal leaves alone because acting on it could hit
// another file; such a file counts as left behind.
void ReportLeft(ScanState& s, const char* path, const char* name, const char* why)
{
    SendResult(s, ResultKind::kRefused, path, name, "left", "%s     %s left: %s; nothing was done to it", path, name, why);
    s.findsLeftBehind += 1;
}

// True (and the file left, with a report line) when a folder of the path is a link now: the walk
// never enters one, so someone made it after the walk passed it, and the path may lead elsewhere.
bool FolderChanged(ScanState& s, const char* path, const char* name)
{
    char fileCallPath[kPathSize];
    char changed[kPathSize];
    if (!FindChangedFolder(ForFileCalls(s, path, fileCallPath, sizeof(fileCallPath)), changed, sizeof(changed)))
        return false;
    char why[kReportLineChars];
    FormatText(why, sizeof(why), "its folder %s has become a link since the scan passed it", changed);
    ReportLeft(s, path, name, why);
    return true;
}

// Opens the file at path afresh (for action when another program's hold allows it) and matches it
// again; every action after the first handle was let go goes through this new one. False, with a
// report line, when what the path names now is not a file that matches.
bool MatchesAgain(ScanState& s, const char* path, const char* name, HeldFile& file)
{
    char fileCallPath[kPathSize];
    PeImageInfo info;
    file.Close();
    bool opened = file.Open(ForFileCalls(s, path, fileCallPath, sizeof(fileCallPath)));
    const char* why = WhyLeftAfterReopen(opened, opened && MatchSignatureTable(file.Reader(), kSignatureTable, info) >= 0);
    if (why == nullptr)
        return true;
    file.Close();
    ReportLeft(s, path, name, why);
    return false;
}

bool DeleteThroughHandle(HeldFile& file)
{
    return file.CanAct() && file.ResetAttributes() && file.Delete();
}

// Schedules the matched file's removal at the next start (moved into the tool's own folder and
// finished there, or deleted by path on a volume without access lists) and sends its line.
void ScheduleMatchedFile(ScanState& s, const char* path, const char* name, HeldFile& file)
{
    char why[kReportLineChars];
    RestartSchedule schedule = ScheduleMoveAtRestart(path, name, file, why, sizeof(why));
    bool scheduled = schedule == kScheduleMove || (schedule == kScheduleBareDelete && ScheduleDeleteAtRestart(path) != 0);
    if (scheduled) {
        s.restartNeeded = 1;
        s.restartDeletions += 1;
        SendFileResult(s, ResultKind::kFileWaitsRestart, path, name, kFileDisposal.removeFailed);
        return;
    }
    if (schedule == kScheduleRefused)
        SendResult(s, ResultKind::kRefused, path, name, "not scheduled",
                   "%s     %s not scheduled for removal at the restart: %s", path, name, why);
    s.findsLeftBehind += 1;
    SendFileResult(s, ResultKind::kFileLeft, path, name, kFileDisposal.removeFailed);
}

// The NT family's removal: every step acts through a handle that matched, never by path alone.
void RemoveMatchedFile(ScanState& s, const char* path, const char* name, HeldFile& file)
{
    if (FolderChanged(s, path, name))
        return;
    if (file.CanAct()) {
        if (!file.ResetAttributes()) {
            SendFileResult(s, ResultKind::kFileLeft, s.currentText, s.currentName, kFileDisposal.removeFailed);
            s.findsLeftBehind += 1;
            return;
        }
        if (file.Delete()) {
            s.filesRemoved += 1;
            SendFileResult(s, ResultKind::kFileRemoved, path, name, "removed");
            return;
        }
    }
    // Let go, so that ending the program that runs or holds the file can free it.
    file.Close();
    if (KillProcessOfFile(path, s.wow64, KillReport{ScanResults(s), name}) != 0) {
        if (FolderChanged(s, path, name) || !MatchesAgain(s, path, name, file)) {
            SendFileResult(s, ResultKind::kFileLeft, path, name, kFileDisposal.removeFailed);
            return;
        }
        if (DeleteThroughHandle(file)) {
            s.filesRemoved += 1;
            SendFileResult(s, ResultKind::kFileRemoved, path, name, "removed");
            return;
        }
    }
    if (FolderChanged(s, path, name) || !MatchesAgain(s, path, name, file)) {
        // The find itself still gets its line in the window; the report says why nothing was done.
        SendFileResult(s, ResultKind::kFileLeft, path, name, kFileDisposal.removeFailed);
        return;
    }
    // Put into the tool's folder through the handle that matched again.
    ScheduleMatchedFile(s, path, name, file);
    file.Close();
}

void RenameMatchedFile(ScanState& s, const char* path, const char* name, HeldFile& file)
{
    if (FolderChanged(s, path, name))
        return;
    if (!file.CanAct() && !MatchesAgain(s, path, name, file))
        return;
    char newPath[kRenamedPathSize];
    char fileCallNewPath[kRenamedPathSize];
    bool renamed = file.CanAct() && MakeRenamedPath(path, newPath, sizeof(newPath)) &&
                   file.RenameTo(ForFileCalls(s, newPath, fileCallNewPath, sizeof(fileCallNewPath)));
    file.Close();
    if (renamed) {
        SendFileResult(s, ResultKind::kFileRemoved, path, name, "renamed");
    } else {
        SendFileResult(s, ResultKind::kFileLeft, path, name, "Rename failed");
        s.findsLeftBehind += 1;
    }
}

}  // namespace

void DisposeMatchedFile(ScanState& s, const char* path, const char* name, HeldFile& file)
{
    // 95/98/ME: FAT has no links and the system one user; the disposal acts by path there.
    if (GetPlatformCode() == kPlatformWindows9x) {
        file.Close();
        DisposeInfectedFile(s, path, name);
        return;
    }
    KeptBeforeAct kept(s, path, name, file.IsOpen() ? &file.Reader() : nullptr);
    switch (s.dispositionCode) {
    case kDispositionRename:
        RenameMatchedFile(s, path, name, file);
        break;
    case kDispositionRemove:
    case kDispositionRemoveToo:
        RemoveMatchedFile(s, path, name, file);
        break;
    default:
        file.Close();
        DisposeInfectedFile(s, path, name);
        break;
    }
    kept.Recorded();
}

void RenameInfectedFile(ScanState& s, const char* path, const char* name)
{
    char newPath[kRenamedPathSize];
    char fileCallPath[kPathSize];
    char fileCallNewPath[kRenamedPathSize];
    bool renamed = MakeRenamedPath(path, newPath, sizeof(newPath)) &&
                   MoveFileA(ForFileCalls(s, path, fileCallPath, sizeof(fileCallPath)),
                             ForFileCalls(s, newPath, fileCallNewPath, sizeof(fileCallNewPath)));
    if (renamed) {
        SendFileResult(s, ResultKind::kFileRemoved, path, name, "renamed");
    } else {
        SendFileResult(s, ResultKind::kFileLeft, path, name, "Rename failed");
        s.findsLeftBehind += 1;
    }
}

bool MakeRenamedPath(const char* path, char* renamed, size_t renamedSize)
{
    bool fits = CopyText(renamed, renamedSize, path);
    // The last '.' of the whole path, so C:\a.b\file becomes C:\a.V\file (and the move fails).
    char* dot = std::strrchr(renamed, '.');
    if (fits && dot != nullptr) {
        if (dot[1] != '\0')
            dot[1] = 'V';
        else
            fits = AppendText(renamed, renamedSize, "V");
    }
    return fits;
}

const DisposalTexts kFileDisposal = {true, "Unable to remove", "not disinfected as per user's selection"};

void DisposeInfectedFile(ScanState& s, const char* path, const char* name, const DisposalTexts& texts)
{
    KeptBeforeAct kept(s, path, name, nullptr);
    switch (s.dispositionCode) {
    case kDispositionRename:
        RenameInfectedFile(s, path, name);
        break;
    case kDispositionRemove:
    case kDispositionRemoveToo:
        RemoveInfectedFile(s, path, name, texts);
        break;
    case kDispositionLeave:
        SendFileResult(s, ResultKind::kFileKept, s.currentText, s.currentName, texts.leftAsChosen);
        break;
    default:
        break;
    }
    kept.Recorded();
}

void RemoveFromMemory(ScanState& s, const char* path, const char* familyName)
{
    s.dispositionCode = s.memoryDisposition;
    SendResult(s, ResultKind::kMemoryRemoved, "System Memory", familyName, "removed", "System Memory    W32/KYR.Trojan removed");
    // Gives the just-terminated process time to let go of its file.
    Sleep(1000);
    // What the path names now is matched again before anything is done to it.
    HeldFile file;
    if (MatchesAgain(s, path, familyName, file))
        DisposeMatchedFile(s, path, familyName, file);
}

int ScheduleDeleteAtRestart(const char* path)
{
    int platform = GetPlatformCode();
    // The entry keeps the 64-bit spelling: the session manager that carries it out at the next
    // start is a 64-bit program, and the alias means nothing to it.
    if (platform == kPlatformNt)
        return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 1 : 0;
    if (platform == kPlatformWindows9x) {
        // wininit.ini runs before long names are available; the full path is the fallback.
        char shortPath[MAX_PATH];
        DWORD length = GetShortPathNameA(path, shortPath, sizeof(shortPath));
        const char* entry = (length == 0 || length >= sizeof(shortPath)) ? path : shortPath;
        return AddWininitRename("NUL", entry) ? 1 : 0;
    }
    return 0;
}

bool AddWininitRename(const char* target, const char* file)
{
    return AddWininitRenameWith(target, file, MoveFileExA);
}

bool AddWininitRenameWith(const char* target, const char* file, MoveFileExRoutine moveFileEx)
{
    char iniPath[350];
    UINT folderLength = GetWindowsDirectoryA(iniPath, sizeof(iniPath));
    char tempPath[sizeof(iniPath)];
    if (folderLength == 0 || folderLength >= sizeof(iniPath) || !CopyText(tempPath, sizeof(tempPath), iniPath) ||
        !AppendText(iniPath, sizeof(iniPath), "\\wininit.ini") || !AppendText(tempPath, sizeof(tempPath), kWininitTempName))
        return false;

    if (GetFileAttributesA(iniPath) == INVALID_FILE_ATTRIBUTES) {
        MemoryReader nothing("", 0);
        return WriteWininit(nothing, target, file, tempPath, iniPath, moveFileEx);
    }
    char copyPath[MAX_PATH];
    if (!MakeBackupCopy(iniPath, copyPath, sizeof(copyPath)))
        return false;
    FileReader copy(copyPath, FILE_SHARE_READ);
    if (!copy.IsOpen())
        return false;
    return WriteWininit(copy, target, file, tempPath, iniPath, moveFileEx);
}
