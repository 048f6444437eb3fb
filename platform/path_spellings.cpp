// Short and long spellings of a file's path, looked up through the file system.
#include "platform/path_spellings.h"

#include <cstring>

#include "base/text.h"

namespace {

// path and the result are in the 64-bit program's spelling; under WOW64 the look-up goes through
// the alias of the real System32.
void ShortSpelling(const char* path, const Wow64View& view, RegistryData& spelling)
{
    if (!spelling.Reserve(MAX_PATH + 1))
        return;
    char fileCallPath[kPathSize];
    char found[MAX_PATH + 1];
    DWORD length = GetShortPathNameA(ForFileCalls(path, view, fileCallPath, sizeof(fileCallPath)), found, sizeof(found));
    if (length == 0 || length > MAX_PATH || !NativeSpelling(found, view, spelling.Data(), MAX_PATH + 1))
        spelling.Data()[0] = '\0';
}

// Built by hand because GetLongPathNameA is missing on Windows 95 and NT 4 and fails when the long
// path passes MAX_PATH: each folder's own name as the search reports it. Empty when a component
// cannot be looked up.
void LongSpelling(const char* path, const Wow64View& view, RegistryData& spelling)
{
    size_t pathLength = BoundedLength(path, MAX_PATH + 1);
    if (pathLength < 3 || pathLength > MAX_PATH || path[1] != ':' || path[2] != '\\' ||
        std::strchr(path, '*') != nullptr || std::strchr(path, '?') != nullptr)
        return;
    size_t components = 0;
    for (size_t i = 0; i < pathLength; ++i)
        components += path[i] == '\\' ? 1 : 0;
    size_t size = components * MAX_PATH + 4;
    if (!spelling.Reserve(size))
        return;
    char* out = spelling.Data();
    CopyTextN(out, size, path, 2);
    char partial[MAX_PATH + 1];
    bool named = false;  // "d:" alone would begin every value on the drive
    for (size_t end = 3; end <= pathLength; ++end) {
        if (end < pathLength && path[end] != '\\')
            continue;
        if (path[end - 1] == '\\')  // doubled backslash
            continue;
        CopyTextN(partial, sizeof(partial), path, end);
        // Under WOW64 the real System32 is reached only through its alias, which no listing of the
        // Windows folder shows: its name is taken as written.
        SystemFolderSpot spot = FindSystemFolder(partial, view);
        if (spot.folder == kSystem32 && spot.nameEnd == end) {
            if (!AppendText(out, size, "\\") || !AppendText(out, size, partial + spot.nameStart)) {
                out[0] = '\0';
                return;
            }
            named = true;
            continue;
        }
        char fileCallPartial[kPathSize];
        WIN32_FIND_DATAA entry;
        ScopedFindHandle search(FindFirstFileA(ForFileCalls(partial, view, fileCallPartial, sizeof(fileCallPartial)), &entry));
        if (!search.IsValid()) {
            out[0] = '\0';
            return;
        }
        entry.cFileName[sizeof(entry.cFileName) - 1] = '\0';
        if (!AppendText(out, size, "\\") || !AppendText(out, size, entry.cFileName)) {
            out[0] = '\0';
            return;
        }
        named = true;
    }
    if (!named)
        out[0] = '\0';
}

}  // namespace

PathSpellings::PathSpellings(const char* path, bool lowerCase, const Wow64View& view)
{
    ShortSpelling(path, view, m_short);
    LongSpelling(path, view, m_long);
    if (lowerCase) {
        if (m_short.Data() != nullptr)
            LowerInPlace(m_short.Data());
        if (m_long.Data() != nullptr)
            LowerInPlace(m_long.Data());
    }
    m_forms[0] = path;
    m_forms[1] = m_short.Text();
    m_forms[2] = m_long.Text();
}
