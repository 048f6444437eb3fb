// Text work of the directory walker: display shortening and pattern-derived paths (portable).
#include "scan/walk_text.h"

#include <cstring>

#include "base/text.h"

void ShortenForDisplay(const char* source, char* destination, unsigned destinationSize, int maximum)
{
    if (destination == nullptr || destinationSize == 0)
        return;
    size_t length = std::strlen(source);
    int half = maximum / 2 - 1;
    // The head and tail get maximum/2 - 1 characters each and dots fill the rest, so an odd
    // maximum gets three dots; a path of exactly maximum characters is shown whole.
    if (maximum > 0 && length > static_cast<size_t>(maximum) && half > 0) {
        size_t dots = static_cast<size_t>(maximum - 2 * half);
        if (static_cast<size_t>(maximum) >= destinationSize) {
            CopyTextN(destination, destinationSize, source, destinationSize - 1);
            return;
        }
        std::memcpy(destination, source, static_cast<size_t>(half));
        std::memset(destination + half, '.', dots);
        std::memcpy(destination + half + dots, source + length - static_cast<size_t>(half),
                    static_cast<size_t>(half));
        destination[maximum] = '\0';
        return;
    }
    CopyText(destination, destinationSize, source);
}

namespace {

// Length of the head kept from pattern: everything before the character that precedes the last
// '.'; -1 when there is no '.'.
long PatternHeadLength(const char* pattern)
{
    const char* lastDot = std::strrchr(pattern, '.');
    if (lastDot == nullptr)
        return -1;
    long head = static_cast<long>(lastDot - pattern) - 1;
    return head < 0 ? 0 : head;  // ".x" keeps nothing rather than reading before the pattern
}

int BuildFromHead(const char* pattern, const char* name, const char* tail, char* destination,
                  size_t destinationSize)
{
    long head = PatternHeadLength(pattern);
    if (head < 0)
        return -1;
    bool fits = CopyTextN(destination, destinationSize, pattern, static_cast<size_t>(head)) &&
                AppendText(destination, destinationSize, name) &&
                AppendText(destination, destinationSize, tail);
    if (!fits) {
        // A cut-off path would name another file or folder: never hand out a truncated one.
        if (destinationSize > 0)
            destination[0] = '\0';
        return 0;
    }
    return 1;
}

}  // namespace

int BuildEntryPath(const char* pattern, const char* name, char* destination, size_t destinationSize)
{
    return BuildFromHead(pattern, name, "", destination, destinationSize);
}

int BuildChildPattern(const char* pattern, const char* name, char* destination, size_t destinationSize)
{
    return BuildFromHead(pattern, name, "\\*.*", destination, destinationSize);
}

int BuildFolderPassPattern(const char* pattern, char* destination, size_t destinationSize)
{
    const char* lastDot = std::strrchr(pattern, '.');
    if (lastDot == nullptr)
        return -1;
    size_t keep = static_cast<size_t>(lastDot - pattern) + 1;
    if (!CopyTextN(destination, destinationSize, pattern, keep) ||
        !AppendText(destination, destinationSize, "*")) {
        if (destinationSize > 0)
            destination[0] = '\0';
        return 0;
    }
    return 1;
}

namespace {

const uint32_t kReparsePointAttribute = 0x400;
// Junctions, mount points and symbolic links all carry this bit in their tag.
const uint32_t kNameSurrogateTagBit = 0x20000000;
// Offline, recall on open, recall on data access.
const uint32_t kRecallAttributes = 0x1000 | 0x40000 | 0x400000;

bool HasSubstitution(const char* name)
{
    return std::strchr(name, '?') != nullptr;
}

}  // namespace

bool EndsTrimmed(const char* name)
{
    // A folder's own entries, which the walk shows as they are, are not names the rules trim.
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    size_t length = std::strlen(name);
    return length != 0 && (name[length - 1] == '.' || name[length - 1] == ' ');
}

EntrySpelling SpellEntry(const char* longPattern, const char* shortPattern, const char* name,
                         const char* shortName, const char* tail, char* longOut, char* shortOut,
                         size_t outSize)
{
    if (outSize == 0)
        return kSpellTooLong;
    longOut[0] = '\0';
    shortOut[0] = '\0';
    const char* anyPattern = longPattern[0] != '\0' ? longPattern : shortPattern;
    if (PatternHeadLength(anyPattern) < 0)
        return kSpellNoDot;
    bool longNames = !HasSubstitution(name) && !EndsTrimmed(name);
    if (longPattern[0] != '\0' && longNames && BuildFromHead(longPattern, name, tail, longOut, outSize) < 0)
        return kSpellNoDot;
    // Without a short name the entry's own name is its short spelling (it is already 8.3).
    const char* shortSpelling = shortName[0] != '\0' ? shortName : name;
    bool shortNames = !HasSubstitution(shortSpelling) && !EndsTrimmed(shortSpelling);
    if (shortPattern[0] != '\0' && shortNames && BuildFromHead(shortPattern, shortSpelling, tail, shortOut, outSize) < 0)
        return kSpellNoDot;
    if (longOut[0] != '\0' || shortOut[0] != '\0')
        return kSpelled;
    // Only for the report: the long spelling cut at the buffer.
    long head = PatternHeadLength(anyPattern);
    CopyTextN(longOut, outSize, anyPattern, static_cast<size_t>(head));
    AppendText(longOut, outSize, name);
    if (!longNames && !shortNames)
        return HasSubstitution(name) ? kSpellUnnameable : kSpellTrimmed;
    return kSpellTooLong;
}

WalkSkip PassedOverKind(EntrySpelling spelled)
{
    if (spelled == kSpellUnnameable)
        return kSkipUnnameable;
    return spelled == kSpellTrimmed ? kSkipTrimmed : kSkipTooLong;
}

const char* ChosenSpelling(const char* longForm, const char* shortForm)
{
    return longForm[0] != '\0' ? longForm : shortForm;
}

bool IsFolderLink(uint32_t attributes, uint32_t reparseTag)
{
    if ((attributes & kReparsePointAttribute) == 0)
        return false;
    // Tag 0 is reserved and never a real one: the search did not say what the folder is.
    return reparseTag == 0 || (reparseTag & kNameSurrogateTagBit) != 0;
}

bool IsRecalledOnOpen(uint32_t attributes)
{
    return (attributes & kRecallAttributes) != 0;
}

namespace {

const uint32_t kMessageDestroy = 0x0002;
const uint32_t kMessageQuit = 0x0012;
const uint32_t kMessageKeyDown = 0x0100;
const uint32_t kMessageChar = 0x0102;
const uint32_t kMessageSysKeyDown = 0x0104;
const uintptr_t kEscapeKey = 27;
// Key-down lParam bit: the key was already down (an auto-repeat).
const uintptr_t kKeyWasDown = 0x40000000;

}  // namespace

PumpAction ClassifyPumpedMessage(uint32_t message, uintptr_t wParam, uintptr_t lParam)
{
    if (message == kMessageKeyDown || message == kMessageSysKeyDown) {
        if ((wParam & 0xFFFF) != kEscapeKey)
            return kPumpDispatch;
        // The keystroke that asked (or answered the question) is still held: no new question.
        return (lParam & kKeyWasDown) != 0 ? kPumpDrop : kPumpAsk;
    }
    // A key-down that asked is never translated, so a WM_CHAR 27 comes only from a keystroke that did
    // not ask (Ctrl+[, or a key-down that another window translated).
    if (message == kMessageChar && (wParam & 0xFFFF) == kEscapeKey)
        return kPumpAsk;
    if (message == kMessageQuit || message == kMessageDestroy)
        return kPumpStop;
    return kPumpDispatch;
}
