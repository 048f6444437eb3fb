// The scan report's file side: choosing the folder, setting a full report aside, and writing
// each line through with an open, append and close, so nothing is lost when the process ends.
#include "run/scan_report.h"

#include "base/file_reader.h"
#include "run/scan_state.h"
#include "base/text.h"
#include "base/win32_scope.h"

// The portable side sizes its path buffers as the 8-bit file functions do.
static_assert(kPathSize == MAX_PATH, "one path size");

ScanReport g_scanReport;

namespace {

// Others may read the report while a scan writes it.
const DWORD kReportSharing = FILE_SHARE_READ;

HANDLE OpenReportForAppend(const char* path)
{
    return CreateFileA(path, GENERIC_WRITE, kReportSharing, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// error gets the system's reason when the line was not written.
bool AppendToFile(const char* path, const char* text, DWORD& error)
{
    char line[kReportLineChars];
    size_t length = MakeReportFileLine(line, sizeof(line), text);
    ScopedFileHandle file(OpenReportForAppend(path));
    if (!file.IsValid()) {
        error = GetLastError();
        return false;
    }
    DWORD written = 0;
    bool whole = SetFilePointer(file.Get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
                 WriteFile(file.Get(), line, static_cast<DWORD>(length), &written, nullptr) && written == length;
    error = whole ? ERROR_SUCCESS : GetLastError();
    return whole;
}

// Another program has the file open without sharing writes, or has locked part of it: it is
// worth waiting a little for.
bool IsHeldByOther(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// folder ends with '\' and path receives folder + name; false when it does not fit.
bool FolderFile(char* path, size_t pathSize, const char* folder, const char* name)
{
    return CopyText(path, pathSize, folder) && AppendText(path, pathSize, name);
}

// A report over the size limit is set aside under its .old name (replacing an older one); the new
// record then starts a new file. If that fails the record is appended all the same, and failure
// gets the line that says so (empty when there is nothing to say).
void RotateIfFull(const char* path, char* failure, size_t failureSize)
{
    failure[0] = '\0';
    int64_t length = -1;
    {
        ScopedFileHandle file(OpenReportForAppend(path));
        if (file.IsValid())
            length = FileLengthOf(file.Get());
    }
    if (length < 0 || !ReportNeedsRotation(static_cast<uint64_t>(length)))
        return;
    char oldPath[MAX_PATH];
    bool named = MakeOldReportPath(oldPath, sizeof(oldPath), path);
    if (named) {
        DeleteFileA(oldPath);
        if (MoveFileA(path, oldPath))
            return;
    }
    // Otherwise the report grows past its limit with nobody told why.
    FormatText(failure, failureSize, "The report is over 1 MiB and could not be set aside as %s (error %lu); "
               "this record is appended to it.", named ? oldPath : "NAME.old", static_cast<unsigned long>(GetLastError()));
}

// Reads the file's last bytes, as many as fit in size; how many were read (0 when none could be).
DWORD ReadTail(HANDLE file, void* buffer, DWORD size)
{
    int64_t length = FileLengthOf(file);
    if (length <= 0)
        return 0;
    DWORD wanted = length < static_cast<int64_t>(size) ? static_cast<DWORD>(length) : size;
    DWORD got = 0;
    if (SetFilePointer(file, -static_cast<LONG>(wanted), nullptr, FILE_END) == INVALID_SET_FILE_POINTER ||
        !ReadFile(file, buffer, wanted, &got, nullptr) || got != wanted)
        return 0;
    return got;
}

// A report cut off mid-line (a crash or power loss during a write) is ended with CR LF, so that the
// new record's start line begins a line of its own. Failures are silent: the record is still tried.
void EndCutLine(const char* path)
{
    ScopedFileHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, kReportSharing, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;
    uint8_t tail[2] = {0, 0};
    DWORD got = ReadTail(file.Get(), tail, sizeof(tail));
    if (got == 0 || !ReportNeedsLineBreak(tail, got))
        return;
    DWORD written = 0;
    if (SetFilePointer(file.Get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
        WriteFile(file.Get(), "\r\n", 2, &written, nullptr);
}

// Appends a line, trying again after short pauses while another program holds the file and the
// record's waiting time lasts. ownLine: the line starts a line of its own, as a record's start
// line and a lone line do.
bool AppendWaiting(const char* path, const char* line, bool ownLine, DWORD& error)
{
    for (;;) {
        if (ownLine)
            EndCutLine(path);
        if (AppendToFile(path, line, error))
            return true;
        if (!IsHeldByOther(error))
            return false;
        int32_t pause = NextReportRetryPause(g_scanReport.retrySpentMs);
        if (pause <= 0)
            return false;
        Sleep(static_cast<DWORD>(pause));
    }
}

bool AppendOnLineOfItsOwn(const char* path, const char* line)
{
    DWORD error = ERROR_SUCCESS;
    return AppendWaiting(path, line, true, error);
}

// What the start line is made of.
struct StartFacts {
    ReportClock clock;
    const char* productTitle;
    const WindowsVersion* version;
    int platformCode;
    int ntVersionCode;
    bool wow64;
    const char* scanId;
};

// Enough of a report's end to hold the start line of a scan that began in the same second as this
// one: such a scan ended within that second, so wrote little.
const DWORD kScanIdTailBytes = 4096;

// The scan ID that the report at path names last; "" when none (or no file).
void LastScanIdIn(const char* path, char* id, size_t idSize)
{
    CopyText(id, idSize, "");
    ScopedFileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;
    char tail[kScanIdTailBytes];
    FindLastScanId(tail, ReadTail(file.Get(), tail, sizeof(tail)), id, idSize);
}

void MakeStartLine(const StartFacts& facts)
{
    ScanReport& r = g_scanReport;
    FormatReportStart(r.startLine, sizeof(r.startLine), facts.clock, facts.productTitle, facts.version,
                      facts.platformCode, facts.ntVersionCode, facts.wow64, facts.scanId);
}

// Tries the report at path: true when the start line was written there.
bool BeginAt(const char* path, const StartFacts& facts)
{
    ScanReport& r = g_scanReport;
    if (!CopyText(r.filePath, sizeof(r.filePath), path))
        return false;
    MakeStartLine(facts);
    char rotation[kReportLineChars];
    RotateIfFull(r.filePath, rotation, sizeof(rotation));
    if (!AppendOnLineOfItsOwn(r.filePath, r.startLine))
        return false;
    DWORD error = ERROR_SUCCESS;
    if (rotation[0] != '\0')
        AppendWaiting(r.filePath, rotation, false, error);
    return true;
}

// Tries the report in folder (ending with '\').
bool BeginIn(const char* folder, const StartFacts& facts)
{
    char path[MAX_PATH];
    return FolderFile(path, sizeof(path), folder, kReportFileName) && BeginAt(path, facts);
}

// The folder with its closing '\' (a drive root already has one); false when it did not fit.
bool CloseFolder(char* folder, size_t folderSize, DWORD length)
{
    if (length == 0 || length >= folderSize)
        return false;
    return folder[length - 1] == '\\' || AppendText(folder, folderSize, "\\");
}

ReportClock LocalClock()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ReportClock{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

void SinkToReport(void*, const char* line)
{
    ReportLine(line);
}

// The usual place number n (0 the Windows folder, 1 the temporary folder) in path.
bool UsualPlace(int n, char* path, size_t pathSize)
{
    char folder[MAX_PATH];
    DWORD length = n == 0 ? GetWindowsDirectoryA(folder, sizeof(folder)) : GetTempPathA(sizeof(folder), folder);
    return CloseFolder(folder, sizeof(folder), length) && FolderFile(path, pathSize, folder, kReportFileName);
}

// Why the record's file did not take a line, in words for the report.
void DescribeWriteError(char* dest, size_t destSize, DWORD error)
{
    if (IsHeldByOther(error))
        CopyText(dest, destSize, "in use by another program");
    else
        FormatText(dest, destSize, "error %lu", static_cast<unsigned long>(error));
}

// Opens a usual place other than the record's own file for the rest of the lines: the start line
// once, so that the place's record stands on its own, then why the lines are here. False when no
// place takes them.
bool MoveToFallback(DWORD error)
{
    ScanReport& r = g_scanReport;
    char reason[48];
    DescribeWriteError(reason, sizeof(reason), error);
    char why[kReportLineChars];
    FormatText(why, sizeof(why), "The report could not be written to %s (%s); the record goes on here.", r.filePath,
               reason);
    DWORD ignored = ERROR_SUCCESS;
    if (r.fallbackPath[0] != '\0') {
        if (!AppendWaiting(r.fallbackPath, why, false, ignored))
            return false;
    } else {
        char place[MAX_PATH];
        int n = 0;
        for (; n < 2; ++n) {
            if (UsualPlace(n, place, sizeof(place)) && CompareNoCase(place, r.filePath) != 0 &&
                AppendWaiting(place, r.startLine, true, ignored) && AppendWaiting(place, why, false, ignored))
                break;
        }
        if (n == 2 || !CopyText(r.fallbackPath, sizeof(r.fallbackPath), place))
            return false;
    }
    r.atFallback = true;
    r.backWhenFree = IsHeldByOther(error);
    return true;
}

// Once the record's file takes lines again, it says where the others went, and so does the other
// place where they stop.
bool MoveBack()
{
    ScanReport& r = g_scanReport;
    char note[kReportLineChars];
    FormatText(note, sizeof(note), "Lines of this record went to %s while this file could not be written; "
               "the record goes on here.", r.fallbackPath);
    DWORD error = ERROR_SUCCESS;
    if (!AppendWaiting(r.filePath, note, false, error))
        return false;
    FormatText(note, sizeof(note), "The record goes on in %s.", r.filePath);
    AppendWaiting(r.fallbackPath, note, false, error);
    r.atFallback = false;
    return true;
}

void WriteRecordLine(const char* text)
{
    ScanReport& r = g_scanReport;
    DWORD error = ERROR_SUCCESS;
    if (r.atFallback && r.backWhenFree)
        MoveBack();
    if (!r.atFallback) {
        if (AppendWaiting(r.filePath, text, false, error) || !MoveToFallback(error))
            return;
    }
    AppendWaiting(r.fallbackPath, text, false, error);
}

}  // namespace

void ChooseScanId(const char* chosenPath, char* id, size_t idSize)
{
    // The record goes to the chosen file when it can be written, else mostly to the Windows folder;
    // a record that ends up elsewhere may share its second's ID with one scan there.
    char previous[kScanIdSize] = "";
    char folder[MAX_PATH];
    char path[MAX_PATH];
    if (chosenPath != nullptr && chosenPath[0] != '\0')
        LastScanIdIn(chosenPath, previous, sizeof(previous));
    else if (CloseFolder(folder, sizeof(folder), GetWindowsDirectoryA(folder, sizeof(folder))) &&
             FolderFile(path, sizeof(path), folder, kReportFileName))
        LastScanIdIn(path, previous, sizeof(previous));
    MakeScanId(id, idSize, LocalClock(), previous);
}

void BeginScanRecord(const char* productTitle, const WindowsVersion* version, int platformCode, int ntVersionCode,
                     bool wow64, const char* chosenPath, const char* tooLongPath, const char* scanId)
{
    ScanReport& r = g_scanReport;
    r.recordOpen = false;
    r.fallbackPath[0] = '\0';
    r.atFallback = false;
    r.retrySpentMs = 0;
    const StartFacts facts = {LocalClock(), productTitle, version, platformCode, ntVersionCode, wow64, scanId};
    bool chosen = chosenPath != nullptr && chosenPath[0] != '\0';
    if (chosen && BeginAt(chosenPath, facts)) {
        r.recordOpen = true;
        return;
    }
    char folder[MAX_PATH];
    if (CloseFolder(folder, sizeof(folder), GetWindowsDirectoryA(folder, sizeof(folder))) && BeginIn(folder, facts)) {
        r.recordOpen = true;
    } else if (CloseFolder(folder, sizeof(folder), GetTempPathA(sizeof(folder), folder)) && BeginIn(folder, facts)) {
        r.recordOpen = true;
    }
    char failed[MAX_PATH + 8] = "";
    if (chosen)
        CopyText(failed, sizeof(failed), chosenPath);
    else if (tooLongPath != nullptr && tooLongPath[0] != '\0')
        FormatText(failed, sizeof(failed), "%s...", tooLongPath);
    if (failed[0] != '\0') {
        // Whoever collects the reports from the chosen place learns from this line why one is missing.
        char line[kReportLineChars];
        FormatText(line, sizeof(line), "The report could not be written to %s; it is written here instead.", failed);
        ReportLine(line);
    }
}

void ReportLoneLine(const char* chosenPath, const char* text)
{
    char line[kReportLineChars];
    FormatReportLoneLine(line, sizeof(line), LocalClock(), text);
    if (chosenPath != nullptr && chosenPath[0] != '\0' && AppendOnLineOfItsOwn(chosenPath, line))
        return;
    char folder[MAX_PATH];
    char path[MAX_PATH];
    if (CloseFolder(folder, sizeof(folder), GetWindowsDirectoryA(folder, sizeof(folder))) &&
        FolderFile(path, sizeof(path), folder, kReportFileName) && AppendOnLineOfItsOwn(path, line))
        return;
    if (CloseFolder(folder, sizeof(folder), GetTempPathA(sizeof(folder), folder)) &&
        FolderFile(path, sizeof(path), folder, kReportFileName))
        AppendOnLineOfItsOwn(path, line);
}

void ReportLine(const char* text)
{
    if (g_scanReport.recordOpen)
        WriteRecordLine(text);
}

void ReportWalkSkips(const ScanState& s)
{
    if (!g_scanReport.recordOpen)
        return;
    BuildWalkSkipSection(s.walkSkipped, g_scanReport.skippedPaths, SinkToReport, nullptr);
    BuildUnopenedLines(s.filesUnopened, g_scanReport.unopenedPaths, SinkToReport, nullptr);
}

void ReportQuestion(const char* question)
{
    char line[kReportLineChars];
    FormatReportQuestion(line, sizeof(line), question);
    ReportLine(line);
}

void ReportAnswer(int answer)
{
    char line[kReportLineChars];
    FormatReportAnswer(line, sizeof(line), answer);
    ReportLine(line);
}

void EndScanRecord(ReportEnd how, const char* outcome)
{
    if (!g_scanReport.recordOpen)
        return;
    char line[kReportLineChars];
    FormatReportEnd(line, sizeof(line), LocalClock(), how, outcome);
    ReportLine(line);
    g_scanReport.recordOpen = false;
}
