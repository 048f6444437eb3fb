// Decisions about acting on a matched file by path, kept apart from the Win32 calls that make them.
#include "platform/held_file_rules.h"

#include "base/product.h"
#include "base/text.h"

bool LinksCanExist(int platformCode, int ntVersionCode)
{
    return platformCode == kPlatformNt && ntVersionCode != kNtVersion4;
}

bool FindLinkedFolder(const char* path, FolderIsLink isLink, void* context, char* changed, size_t changedSize)
{
    if (changedSize > 0)
        changed[0] = '\0';
    char folder[kPathSize];
    if (path == nullptr || !CopyText(folder, sizeof(folder), path))
        return false;
    // The drive root ("C:\") or a share's root (\\server\share\) is never a link the walk passed.
    size_t start = 0;
    if (folder[0] == '\\' && folder[1] == '\\') {
        int slashes = 0;
        for (start = 2; folder[start] != '\0' && slashes < 2; ++start)
            slashes += folder[start] == '\\';
    } else if (folder[0] != '\0' && folder[1] == ':' && folder[2] == '\\') {
        start = 3;
    }
    for (size_t i = start; folder[i] != '\0'; ++i) {
        if (folder[i] != '\\')
            continue;
        folder[i] = '\0';
        bool link = isLink(folder, context);
        if (link) {
            CopyText(changed, changedSize, folder);
            return true;
        }
        folder[i] = '\\';
    }
    return false;
}

const char* WhyLeftAfterReopen(bool opened, bool matches)
{
    if (!opened)
        return "the file at this path could not be opened to be matched again";
    if (!matches)
        return "the file at this path no longer matches (replaced or changed since it matched)";
    return nullptr;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b)
{
    return a.volume == b.volume && a.indexHigh == b.indexHigh && a.indexLow == b.indexLow;
}

bool IsLinkFolder(unsigned long attributes, unsigned long reparseTag)
{
    const unsigned long kReparsePoint = 0x400;
    const unsigned long kNameSurrogate = 0x20000000;
    if ((attributes & kReparsePoint) == 0)
        return false;
    return reparseTag == 0 || (reparseTag & kNameSurrogate) != 0;
}
