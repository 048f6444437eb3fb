// Path spellings for the system folders under WOW64: System32, SysWOW64 and the Sysnative alias.
#include "run/system_folders.h"

#include <cstring>

#include "base/text.h"

namespace {

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Length of prefix when text begins with it (ASCII letters in either case), else 0.
size_t MatchPrefix(const char* text, const char* prefix)
{
    size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (text[i] == '\0' || FoldCase(text[i]) != FoldCase(prefix[i]))
            return 0;
    }
    return i;
}

struct FolderName {
    SystemFolder folder;
    const char* name;
};
const FolderName kFolderNames[] = {
    {kSystem32, "System32"},
    {kSysWow64, "SysWOW64"},
    {kSysnative, "Sysnative"},
};

const char* NameOf(SystemFolder folder)
{
    for (const FolderName& row : kFolderNames) {
        if (row.folder == folder)
            return row.name;
    }
    return "";
}

bool Respell(const char* path, const Wow64View& view, SystemFolder from, SystemFolder to, char* out, size_t outSize)
{
    SystemFolderSpot spot = FindSystemFolder(path, view);
    if (spot.folder == from)
        return RespellSystemFolder(path, spot, NameOf(to), out, outSize);
    if (CopyText(out, outSize, path))
        return true;
    if (outSize != 0)
        out[0] = '\0';
    return false;
}

}  // namespace

SystemFolderSpot FindSystemFolder(const char* path, const Wow64View& view)
{
    SystemFolderSpot none = {kNoSystemFolder, 0, 0};
    if (!view.active)
        return none;
    const char* folders[] = {view.windowsFolder, view.windowsFolderShort};
    for (const char* folder : folders) {
        // An empty Windows folder would make every "\System32\..." path a system path.
        if (folder[0] == '\0')
            continue;
        size_t head = MatchPrefix(path, folder);
        if (head == 0 || path[head] != '\\')
            continue;
        size_t start = head + 1;
        for (const FolderName& row : kFolderNames) {
            size_t length = MatchPrefix(path + start, row.name);
            char after = length != 0 ? path[start + length] : 'x';
            if (after == '\0' || after == '\\')
                return SystemFolderSpot{row.folder, start, start + length};
        }
    }
    return none;
}

bool RespellSystemFolder(const char* path, const SystemFolderSpot& spot, const char* name, char* out,
                         size_t outSize)
{
    if (outSize == 0)
        return false;
    bool fits = CopyTextN(out, outSize, path, spot.nameStart) && AppendText(out, outSize, name) &&
                AppendText(out, outSize, path + spot.nameEnd);
    if (!fits)
        out[0] = '\0';
    return fits;
}

bool FileCallSpelling(const char* path, const Wow64View& view, char* out, size_t outSize)
{
    return Respell(path, view, kSystem32, kSysnative, out, outSize);
}

bool NativeSpelling(const char* path, const Wow64View& view, char* out, size_t outSize)
{
    return Respell(path, view, kSysnative, kSystem32, out, outSize);
}

int ViewSpellings(const char* nativePath, const Wow64View& view, RegistryView registryView,
                  char out[kMaxViewSpellings][kPathSize])
{
    int count = 0;
    SystemFolderSpot spot = FindSystemFolder(nativePath, view);
    bool view32 = registryView == kView32 && view.active;
    if (view32 && spot.folder == kSystem32) {
        // That view's System32 is SysWOW64: only the alias reaches this file from there.
        if (RespellSystemFolder(nativePath, spot, NameOf(kSysnative), out[count], kPathSize))
            ++count;
        return count;
    }
    if (CopyText(out[count], kPathSize, nativePath))
        ++count;
    if (view32 && spot.folder == kSysWow64 &&
        RespellSystemFolder(nativePath, spot, NameOf(kSystem32), out[count], kPathSize))
        ++count;
    return count;
}

const char* ForFileCalls(const char* path, const Wow64View& view, char* buffer, size_t bufferSize)
{
    if (!view.active || FindSystemFolder(path, view).folder != kSystem32)
        return path;
    if (!FileCallSpelling(path, view, buffer, bufferSize) && bufferSize != 0)
        buffer[0] = '\0';
    return buffer;
}
