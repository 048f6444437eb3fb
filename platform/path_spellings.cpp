// Short and long spellings of a file's path, looked up through the file system.
#include "platform/path_spellings.h"

#include <cstring>

#include "base/text.h"

namespace {

void ShortSpelling(const char* path, RegistryData& spelling)
{
    if (!spelling.Reserve(MAX_PATH + 1))
        return;
    DWORD length = GetShortPathNameA(path, spelling.Data(), MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        spelling.Data()[0] = '\0';
}

// Built by hand because GetLongPathNameA is missing on Windows 95 and NT 4 and fails when the long
// path passes MAX_PATH: each folder's own name as the search reports it. Empty when a component
// cannot be looked up.
void LongSpelling(const char* path, RegistryData& spelling)
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
        WIN32_FIND_DATAA entry;
        ScopedFindHandle search(FindFirstFileA(partial, &entry));
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

PathSpellings::PathSpellings(const char* path, bool lowerCase)
{
    ShortSpelling(path, m_short);
    LongSpelling(path, m_long);
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
