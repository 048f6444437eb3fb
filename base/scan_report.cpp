// The scan report's file side: choosing the folder, setting a full report aside, and writing
// each line through with an open, append and close, so nothing is lost when the process ends.
#include "base/scan_report.h"

#include "base/file_reader.h"
#include "base/scan_state.h"
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

bool AppendToFile(const char* path, const char* text)
{
    char line[kReportLineChars];
    size_t length = MakeReportFileLine(line, sizeof(line), text);
    ScopedFileHandle file(OpenReportForAppend(path));
    if (!file.IsValid())
        return false;
    DWORD written = 0;
    return SetFilePointer(file.Get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
           WriteFile(file.Get(), line, static_cast<DWORD>(length), &written, nullptr) && written == length;
}

// folder ends with '\' and path receives folder + name; false when it does not fit.
bool FolderFile(char* path, size_t pathSize, const char* folder, const char* name)
{
    return CopyText(path, pathSize, folder) && AppendText(path, pathSize, name);
}

// A report over the size limit is set aside under its .old name (replacing an older one); the new
// record then starts a new file. If the rename fails the record is appended all the same.
void RotateIfFull(const char* path)
{
    int64_t length = -1;
    {
        ScopedFileHandle file(OpenReportForAppend(path));
        if (file.IsValid())
            length = FileLengthOf(file.Get());
    }
    if (length < 0 || !ReportNeedsRotation(static_cast<uint64_t>(length)))
        return;
    char oldPath[MAX_PATH];
    if (!MakeOldReportPath(oldPath, sizeof(oldPath), path))
        return;
    DeleteFileA(oldPath);
    MoveFileA(path, oldPath);
}

// A report cut off mid-line (a crash or power loss during a write) is ended with CR LF, so that the
// new record's start line begins a line of its own. Failures are silent: the record is still tried.
void EndCutLine(const char* path)
{
    ScopedFileHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, kReportSharing, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;
    int64_t length = FileLengthOf(file.Get());
    if (length <= 0)
        return;
    uint8_t tail[2] = {0, 0};
    DWORD wanted = length >= 2 ? 2 : 1;
    DWORD got = 0;
    if (SetFilePointer(file.Get(), -static_cast<LONG>(wanted), nullptr, FILE_END) == INVALID_SET_FILE_POINTER ||
        !ReadFile(file.Get(), tail, wanted, &got, nullptr) || got != wanted)
        return;
    if (!ReportNeedsLineBreak(tail, got))
        return;
    DWORD written = 0;
    if (SetFilePointer(file.Get(), 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER)
        WriteFile(file.Get(), "\r\n", 2, &written, nullptr);
}

// Appends a line that starts a line of its own, as a record's start line and a lone line do.
bool AppendOnLineOfItsOwn(const char* path, const char* line)
{
    EndCutLine(path);
    return AppendToFile(path, line);
}

// Tries the report at path: true when the start line was written there.
bool BeginAt(const char* path, const char* startLine)
{
    ScanReport& r = g_scanReport;
    if (!CopyText(r.filePath, sizeof(r.filePath), path))
        return false;
    RotateIfFull(r.filePath);
    return AppendOnLineOfItsOwn(r.filePath, startLine);
}

// Tries the report in folder (ending with '\').
bool BeginIn(const char* folder, const char* startLine)
{
    char path[MAX_PATH];
    return FolderFile(path, sizeof(path), folder, kReportFileName) && BeginAt(path, startLine);
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

}  // namespace

void BeginScanRecord(const char* productTitle, const WindowsVersion* version, int platformCode, int ntVersionCode,
                     bool wow64, const char* chosenPath)
{
    ScanReport& r = g_scanReport;
    r.recordOpen = false;
    char startLine[kReportLineChars];
    FormatReportStart(startLine, sizeof(startLine), LocalClock(), productTitle, version, platformCode, ntVersionCode,
                      wow64);
    bool chosen = chosenPath != nullptr && chosenPath[0] != '\0';
    if (chosen && BeginAt(chosenPath, startLine)) {
        r.recordOpen = true;
        return;
    }
    char folder[MAX_PATH];
    if (CloseFolder(folder, sizeof(folder), GetWindowsDirectoryA(folder, sizeof(folder))) && BeginIn(folder, startLine)) {
        r.recordOpen = true;
    } else if (CloseFolder(folder, sizeof(folder), GetTempPathA(sizeof(folder), folder)) && BeginIn(folder, startLine)) {
        r.recordOpen = true;
    }
    if (chosen) {
        // Whoever collects the reports from the chosen place learns from this line why one is missing.
        char line[kReportLineChars];
        FormatText(line, sizeof(line), "The report could not be written to %s; it is written here instead.", chosenPath);
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
        AppendToFile(g_scanReport.filePath, text);
}

void ReportWalkSkips()
{
    if (g_scanReport.recordOpen)
        BuildWalkSkipSection(g_scanState.walkSkipped, g_scanReport.skippedPaths, SinkToReport, nullptr);
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
