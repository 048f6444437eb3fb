// The directory walker: two passes over each folder (files, then subfolders), one pumped window
// message around every entry, every regular file offered to the detector rows.
#include <windows.h>

#include <cstring>

#include "run/scan_state.h"
#include "base/clib.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/quarantine_store.h"
#include "disinfect/restart_move.h"
#include "scan/scan_run.h"
#include "scan/walker.h"

const DetectorEntry* g_walkDetectors = kDetectorTable;

namespace {

bool IsDotEntry(const char* name)
{
    return (name[0] == '.' && name[1] == '\0') || (name[0] == '.' && name[1] == '.' && name[2] == '\0');
}

// Drive-root preparation: C:\*.* (six characters at most, with a colon) names a drive root, so
// remember where its Program Files folder is in case the walk never gets there.
void PrepareProgramFiles(ScanState& s, const char* pattern)
{
    if (BoundedLength(pattern, 7) > 6)
        return;
    const char* colon = nullptr;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p == ':') {
            colon = p;
            break;
        }
    }
    if (colon == nullptr)
        return;
    CopyTextN(s.programFilesPath, sizeof(s.programFilesPath), pattern, static_cast<size_t>(colon - pattern) + 1);
    AppendText(s.programFilesPath, sizeof(s.programFilesPath), "\\Program Files");
    if (GetFileAttributesA(s.programFilesPath) != INVALID_FILE_ATTRIBUTES) {
        s.programFilesPending = true;
        AppendText(s.programFilesPath, sizeof(s.programFilesPath), "\\*.*");
    }
}

// The folder's pattern as listed: the long one, or below a folder reached through its short name
// because the path rules would trim its name, that folder's listed spelling.
const char* ListedPattern(const char* longPattern, const char* listedPattern)
{
    return longPattern[0] != '\0' ? longPattern : listedPattern;
}

// Whether name, in a folder searched by longPattern, is reached by a spelling other than its
// listed one only because the path rules would trim this name or a folder's on the way.
bool ListedDiffers(const char* longPattern, const char* listedPattern, const char* name)
{
    if (std::strchr(name, '?') != nullptr)
        return false;
    return EndsTrimmed(name) || (longPattern[0] == '\0' && listedPattern[0] != '\0');
}

// A name the path rules would trim is reached through its short name but shown and reported as
// listed, and so is everything below a folder of such a name; any other entry clears the listed name.
void NoteListedName(ScanState& s, const char* longPattern, const char* listedPattern, const char* name, const char* filePath)
{
    s.listedPath[0] = '\0';
    s.listedFor[0] = '\0';
    const char* listedFolder = ListedPattern(longPattern, listedPattern);
    if (!ListedDiffers(longPattern, listedPattern, name) || listedFolder[0] == '\0')
        return;
    // Both as a 64-bit program spells them, the spelling the walk hands on.
    char listed[kPathSize];
    if (BuildEntryPath(listedFolder, name, listed, sizeof(listed)) != 1 ||
        !NativeSpelling(listed, s.wow64, s.listedPath, sizeof(s.listedPath)) ||
        !NativeSpelling(filePath, s.wow64, s.listedFor, sizeof(s.listedFor)))
        s.listedPath[0] = '\0';
}

void OfferToDetectors(ScanState& s, const char* path)
{
    for (const DetectorEntry* row = g_walkDetectors; row->name != nullptr; ++row) {
        if (row->detect(s, row->name, path) != 0)
            break;
    }
}

// Shows one entry in the current-file line and offers it to the detectors when it is a file;
// counted: it counts as scanned (the memory scan's look at a module does not count).
void ShowAndOffer(ScanState& s, const WIN32_FIND_DATAA& entry, const char* fullPath, bool counted)
{
    // Shown, reported and handed on as a 64-bit program names the file; whatever acts on it
    // respells it for its own file calls.
    char shownPath[kPathSize];
    if (NativeSpelling(fullPath, s.wow64, shownPath, sizeof(shownPath)))
        fullPath = shownPath;
    ShortenForDisplay(ShownPath(s, fullPath), s.currentText, sizeof(s.currentText), kCurrentTextChars);
    SendCurrentText(s);
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return;
    if (counted)
        s.filesScanned += 1;
    // Reading such a file would download it from its store.
    if (IsRecalledOnOpen(entry.dwFileAttributes)) {
        NoteWalkSkip(s, kSkipOffline, fullPath);
        return;
    }
    s.listedLength.known = true;
    s.listedLength.bytes = (static_cast<int64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    OfferToDetectors(s, fullPath);
    s.listedLength.known = false;
}

// Pass 1: shows every entry and offers each regular file. longPattern and shortPattern are the
// two spellings of the folder's pattern (either may be empty, never both); listedPattern is its
// listed spelling when that is neither (ListedPattern).
WalkOutcome WalkFiles(ScanState& s, const char* longPattern, const char* shortPattern, const char* listedPattern)
{
    const char* pattern = ChosenSpelling(longPattern, shortPattern);
    WIN32_FIND_DATAA entry;
    ScopedFindHandle search(FindFirstFileA(pattern, &entry));
    if (!search.IsValid()) {
        DWORD error = GetLastError();
        // A folder without entries (a drive root has no "." either) is not an error.
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES)
            NoteWalkSkip(s, kSkipUnlistable, pattern);
        return kWalkCompleted;
    }
    char longPath[kPathSize];
    char shortPath[kPathSize];
    do {
        PumpOneMessage(s);
        if (s.cancelRequested)
            return kWalkCancelled;
        bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        EntrySpelling spelled = SpellEntry(longPattern, shortPattern, entry.cFileName, entry.cAlternateFileName, "",
                                           longPath, shortPath, sizeof(longPath));
        if (spelled == kSpellNoDot)
            return kWalkAborted;
        if (spelled == kSpelled) {
            const char* fullPath = ChosenSpelling(longPath, shortPath);
            NoteListedName(s, longPattern, listedPattern, entry.cFileName, fullPath);
            ShowAndOffer(s, entry, fullPath, true);
        } else if (!isFolder) {  // a folder passed over is counted once, by the folder pass
            NoteWalkSkip(s, PassedOverKind(spelled), longPath);
        }
        PumpOneMessage(s);
        if (s.cancelRequested)
            return kWalkCancelled;
    } while (FindNextFileA(search.Get(), &entry));
    return kWalkCompleted;
}

WalkOutcome WalkLevel(ScanState& s, const char* longPattern, const char* shortPattern, const char* listedPattern, int depth);

// Counts a folder the depth bound keeps the walk out of; the report names the folder, not its pattern.
void NoteFolderTooDeep(ScanState& s, const char* childPattern)
{
    char folder[kPathSize];
    CopyText(folder, sizeof(folder), childPattern);
    size_t length = std::strlen(folder);
    if (length >= 4 && std::strncmp(folder + length - 4, "\\*.*", 4) == 0)
        folder[length - 4] = '\0';
    NoteWalkSkip(s, kSkipTooDeep, folder);
}

// Whether childPattern is the Sysnative alias itself, as a listing of the Windows folder would give it.
bool IsListedAlias(ScanState& s, const char* childPattern)
{
    SystemFolderSpot spot = FindSystemFolder(childPattern, s.wow64);
    const char* tail = childPattern + spot.nameEnd;
    return spot.folder == kSysnative && std::strncmp(tail, "\\*.*", 4) == 0 && tail[4] == '\0';
}

// A child pattern in the real System32 in its Sysnative spelling. False when that does not fit.
bool RespellForWow64(ScanState& s, char* pattern, size_t patternSize)
{
    if (pattern[0] == '\0' || FindSystemFolder(pattern, s.wow64).folder != kSystem32)
        return true;
    char respelt[kPathSize];
    return FileCallSpelling(pattern, s.wow64, respelt, sizeof(respelt)) && CopyText(pattern, patternSize, respelt);
}

// The search leaves dwReserved0 alone on some systems (Wine): 0, never a real tag, then says
// that the folder's reparse tag is unknown.
BOOL FindNextWithTag(HANDLE search, WIN32_FIND_DATAA& entry)
{
    entry.dwReserved0 = 0;
    return FindNextFileA(search, &entry);
}
// Whether childPattern ("folder\*.*") is one of the tool's own folders, which the walk neither
// offers nor counts: the quarantine (the tool's own files, written during the scan; on the NT family
// only Administrators and SYSTEM may write there, and a program started from it is still offered by
// the memory scan), and the restart folder the tool made at a drive's root (second names of files
// this or an earlier scan found, which a second scan must not count again).
bool IsToolsOwnFolder(const ScanState& s, const char* childPattern)
{
    const char kAllEntries[] = "\\*.*";
    size_t length = TextLength(childPattern);
    if (length <= 4 || CompareNoCase(childPattern + length - 4, kAllEntries) != 0)
        return false;
    const char* root = s.quarantine != nullptr ? s.quarantine->Root() : "";
    if (root[0] != '\0' && TextLength(root) == length - 4 && CompareNoCaseN(childPattern, root, length - 4) == 0)
        return true;
    char folder[kPathSize];
    return CopyTextN(folder, sizeof(folder), childPattern, length - 4) && IsOwnRestartFolder(folder);
}

// Pass 2: descends into every subfolder.
WalkOutcome WalkSubfolders(ScanState& s, const char* longPattern, const char* shortPattern, const char* listedPattern, int depth)
{
    const char* pattern = ChosenSpelling(longPattern, shortPattern);
    char folderPattern[kPathSize];
    int built = BuildFolderPassPattern(pattern, folderPattern, sizeof(folderPattern));
    if (built <= 0)
        return built < 0 ? kWalkAborted : kWalkCompleted;
    WIN32_FIND_DATAA entry;
    entry.dwReserved0 = 0;
    ScopedFindHandle search(FindFirstFileA(folderPattern, &entry));
    if (!search.IsValid())
        return kWalkCompleted;
    char longChild[kPathSize];
    char shortChild[kPathSize];
    char listedChild[kPathSize];
    do {
        PumpOneMessage(s);
        if (s.cancelRequested)
            return kWalkCancelled;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || IsDotEntry(entry.cFileName))
            continue;
        EntrySpelling spelled = SpellEntry(longPattern, shortPattern, entry.cFileName, entry.cAlternateFileName,
                                           "\\*.*", longChild, shortChild, sizeof(longChild));
        if (spelled == kSpellNoDot)
            return kWalkAborted;
        if (spelled != kSpelled) {
            NoteWalkSkip(s, PassedOverKind(spelled), longChild);
            continue;
        }
        // A link may point back up the tree or out of it; other reparse folders (cloud files,
        // deduplicated data) hold the user's own files and are walked. The depth bound stops
        // loops that the system shows as plain folders.
        if (IsFolderLink(entry.dwFileAttributes, entry.dwReserved0)) {
            NoteWalkSkip(s, kSkipLink, ChosenSpelling(longChild, shortChild));
            continue;
        }
        if (depth >= kMaxWalkDepth) {
            NoteFolderTooDeep(s, ChosenSpelling(longChild, shortChild));
            continue;
        }
        // The alias, should a listing ever show it, is the real System32, walked under its name.
        if (IsListedAlias(s, ChosenSpelling(longChild, shortChild)))
            continue;
        // Under WOW64 the Windows folder's System32 lists as SysWOW64; the real one is walked
        // through its alias, so each of the two is walked once.
        if (!RespellForWow64(s, longChild, sizeof(longChild)) || !RespellForWow64(s, shortChild, sizeof(shortChild))) {
            NoteWalkSkip(s, kSkipTooLong, ChosenSpelling(longChild, shortChild));
            continue;
        }
        const char* childPattern = ChosenSpelling(longChild, shortChild);
        if (IsToolsOwnFolder(s, childPattern))
            continue;
        // Deliberately a case-sensitive byte comparison, as the drive walk's Program Files rule expects.
        if (strstr(childPattern, "\\Program Files\\") != nullptr)
            s.programFilesVisited = true;
        listedChild[0] = '\0';
        if (longChild[0] == '\0' && ListedDiffers(longPattern, listedPattern, entry.cFileName) &&
            BuildChildPattern(ListedPattern(longPattern, listedPattern), entry.cFileName, listedChild,
                              sizeof(listedChild)) != 1)
            listedChild[0] = '\0';
        if (WalkLevel(s, longChild, shortChild, listedChild, depth + 1) == kWalkAborted)
            return kWalkAborted;
    } while (FindNextWithTag(search.Get(), entry));
    return kWalkCompleted;
}

WalkOutcome WalkLevel(ScanState& s, const char* longPattern, const char* shortPattern, const char* listedPattern, int depth)
{
    s.memoryMatch = false;
    PrepareProgramFiles(s, ChosenSpelling(longPattern, shortPattern));
    WalkOutcome outcome = WalkFiles(s, longPattern, shortPattern, listedPattern);
    if (outcome != kWalkCompleted)
        return outcome;
    return WalkSubfolders(s, longPattern, shortPattern, listedPattern, depth);
}

// The memory scan's look at one module file: shown and offered like a walked file, with a pumped
// message on either side, but not counted, and no folder is listed.
WalkOutcome LookAtModule(ScanState& s, const char* path)
{
    s.memoryMatch = false;
    PrepareProgramFiles(s, path);  // as every walker call begins
    WIN32_FIND_DATAA entry;
    ScopedFindHandle search(FindFirstFileA(path, &entry));
    if (!search.IsValid())
        return kWalkCompleted;
    PumpOneMessage(s);
    if (s.cancelRequested)
        return kWalkCancelled;
    char fullPath[kPathSize];
    if (CopyText(fullPath, sizeof(fullPath), path))
        ShowAndOffer(s, entry, fullPath, false);
    PumpOneMessage(s);
    return s.cancelRequested ? kWalkCancelled : kWalkCompleted;
}

}  // namespace

WalkOutcome WalkDirectory(ScanState& s, const char* pattern)
{
    // The caller's pattern is taken to open as given; its own folders keep their spelling. A
    // pattern in the real System32 (a module path, a chosen folder) is opened through its alias.
    char fileCallPattern[kPathSize];
    const char* opened = ForFileCalls(s, pattern, fileCallPattern, sizeof(fileCallPattern));
    if (s.memoryMode)
        return LookAtModule(s, opened);
    return WalkLevel(s, opened, opened, "", 0);
}

void PumpOneMessage(ScanState& s)
{
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        return;
    // The Escape key-down is caught whichever window had the focus; its key-up after the answer
    // is an ordinary message.
    switch (ClassifyPumpedMessage(message.message, message.wParam, static_cast<uintptr_t>(message.lParam))) {
    case kPumpAsk:
        if (ScanResults(s).Ask(kTerminateQuestion, kProductTitle, MB_YESNO | MB_ICONQUESTION) != IDNO)
            s.cancelRequested = true;
        return;
    case kPumpDrop:
        return;
    case kPumpStop:
        s.cancelRequested = true;
        return;
    case kPumpDispatch:
        break;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}
