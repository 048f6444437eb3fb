// The directory walker: two passes over each folder (files, then subfolders), one pumped window
// message around every entry, every regular file offered to the detector rows.
#include <windows.h>

#include <cstring>

#include "base/text.h"
#include "scan/scan.h"
#include "scan/scan_state.h"
#include "ui/ui.h"

const DetectorEntry* g_walkDetectors = kDetectorTable;

namespace {

const char kProductTitle[] = "Tarvex Ver 1.0";
const WPARAM kEscapeKey = 27;

// Closes a search handle on every return path.
class FindScope {
public:
    explicit FindScope(HANDLE handle) : m_handle(handle) {}
    ~FindScope()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            FindClose(m_handle);
    }
    FindScope(const FindScope&) = delete;
    FindScope& operator=(const FindScope&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

bool IsDotEntry(const char* name)
{
    return (name[0] == '.' && name[1] == '\0') || (name[0] == '.' && name[1] == '.' && name[2] == '\0');
}

// Drive-root preparation: C:\*.* (six characters at most, with a colon) names a drive root, so
// remember where its Program Files folder is in case the walk never gets there.
void PrepareProgramFiles(const char* pattern)
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
    ScanState& s = g_scanState;
    CopyTextN(s.programFilesPath, sizeof(s.programFilesPath), pattern, static_cast<size_t>(colon - pattern) + 1);
    AppendText(s.programFilesPath, sizeof(s.programFilesPath), "\\Program Files");
    if (GetFileAttributesA(s.programFilesPath) != INVALID_FILE_ATTRIBUTES) {
        s.programFilesPending = true;
        AppendText(s.programFilesPath, sizeof(s.programFilesPath), "\\*.*");
    }
}

void OfferToDetectors(const char* path)
{
    for (const DetectorEntry* row = g_walkDetectors; row->name != nullptr; ++row) {
        if (row->detect(row->name, path) != 0)
            break;
    }
}

// Pass 1: shows every entry and offers each regular file. 1 to go on, 0 cancelled, -1 aborted.
int WalkFiles(const char* pattern)
{
    ScanState& s = g_scanState;
    WIN32_FIND_DATAA entry;
    FindScope search(FindFirstFileA(pattern, &entry));
    if (search.Get() == INVALID_HANDLE_VALUE)
        return 1;
    char fullPath[260];
    do {
        PumpOneMessage();
        if (s.cancelRequested)
            return 0;
        int built = 1;
        if (s.memoryMode) {
            if (!CopyText(fullPath, sizeof(fullPath), pattern))
                built = 0;
        } else {
            built = BuildEntryPath(pattern, entry.cFileName, fullPath, sizeof(fullPath));
            if (built < 0)
                return -1;
        }
        // A path longer than the buffer cannot be opened through the 8-bit file functions
        // anyway: the entry is passed over, neither shown nor counted.
        if (built == 1) {
            ShortenForDisplay(fullPath, s.currentText, sizeof(s.currentText), kCurrentTextChars);
            SendCurrentText();
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                if (!s.memoryMode)
                    s.filesScanned += 1;
                s.listedLength.known = true;
                s.listedLength.bytes = (static_cast<int64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
                OfferToDetectors(fullPath);
                s.listedLength.known = false;
            }
        }
        PumpOneMessage();
        if (s.cancelRequested)
            return 0;
    } while (FindNextFileA(search.Get(), &entry));
    return 1;
}

int WalkLevel(const char* pattern, int depth);

// Pass 2: descends into every subfolder. 1 to go on, 0 cancelled, -1 aborted.
int WalkSubfolders(const char* pattern, int depth)
{
    ScanState& s = g_scanState;
    char folderPattern[260];
    int built = BuildFolderPassPattern(pattern, folderPattern, sizeof(folderPattern));
    if (built <= 0)
        return built < 0 ? -1 : 1;
    WIN32_FIND_DATAA entry;
    FindScope search(FindFirstFileA(folderPattern, &entry));
    if (search.Get() == INVALID_HANDLE_VALUE)
        return 1;
    char childPattern[260];
    do {
        PumpOneMessage();
        if (s.cancelRequested)
            return 0;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || IsDotEntry(entry.cFileName))
            continue;
        built = BuildChildPattern(pattern, entry.cFileName, childPattern, sizeof(childPattern));
        if (built < 0)
            return -1;
        // Links (junctions, symbolic links) may point back up the tree and would make the walk
        // endless; the depth bound stops loops that the system shows as plain folders.
        if (built == 0 || (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            depth >= kMaxWalkDepth)
            continue;
        // Deliberately a case-sensitive byte comparison, as the drive walk's Program Files rule expects.
        if (strstr(childPattern, "\\Program Files\\") != nullptr)
            s.programFilesVisited = true;
        if (WalkLevel(childPattern, depth + 1) == -1)
            return -1;
    } while (FindNextFileA(search.Get(), &entry));
    return 1;
}

int WalkLevel(const char* pattern, int depth)
{
    ScanState& s = g_scanState;
    s.memoryMatch = false;
    PrepareProgramFiles(pattern);
    int result = WalkFiles(pattern);
    if (result <= 0)
        return result;
    if (!s.memoryMode) {
        result = WalkSubfolders(pattern, depth);
        if (result <= 0)
            return result;
    }
    return s.filesScanned;
}

}  // namespace

int WalkDirectory(const char* pattern)
{
    return WalkLevel(pattern, 0);
}

void PumpOneMessage()
{
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        return;
    // Deliberately any message whose wParam carries the Escape code, not only key messages: the
    // user's Escape must reach the walk whichever window had the focus.
    if (LOWORD(message.wParam) == kEscapeKey) {
        if (ShowMessageDialog("Terminate the Scan now?", kProductTitle, MB_YESNO | MB_ICONQUESTION) != IDNO)
            g_scanState.cancelRequested = true;
        return;
    }
    if (message.message == WM_QUIT || message.message == WM_DESTROY) {
        g_scanState.cancelRequested = true;
        return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}
