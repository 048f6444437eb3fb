// The moved file's record: what the step after the restart trusts, and so reads strictly.
#include "disinfect/restart_record.h"

#include "base/clib.h"
#include "base/text.h"

namespace {

bool IsFullPath(const char* path)
{
    bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) && path[1] == ':' &&
                 path[2] == '\\' && path[3] != '\0';
    bool share = path[0] == '\\' && path[1] == '\\' && path[2] != '\0' && path[2] != '\\';
    return drive || share;
}

// One line ending in CR LF, from text[*at] on; false when there is none or it does not fit.
bool TakeLine(const char* text, size_t size, size_t* at, char* line, size_t lineSize)
{
    size_t begin = *at;
    for (size_t i = begin; i + 1 < size; ++i) {
        if (text[i] == '\0' || text[i] == '\n')
            return false;
        if (text[i] == '\r') {
            if (text[i + 1] != '\n' || i == begin || i - begin >= lineSize)
                return false;
            CopyTextN(line, lineSize, text + begin, i - begin);
            *at = i + 2;
            return true;
        }
    }
    return false;
}

const char* const kMethodWords[] = {"moved at the restart", "moved now", "second name"};

bool ParseHex8(const char* text, unsigned long& value)
{
    value = 0;
    for (int i = 0; i < 8; ++i) {
        char c = text[i];
        int digit = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
        if (digit < 0)
            return false;
        value = (value << 4) | static_cast<unsigned long>(digit);
    }
    return true;
}

bool ParseIdentity(const char* line, FileIdentity& identity)
{
    return TextLength(line) == 26 && line[8] == '-' && line[17] == '-' && ParseHex8(line, identity.volume) &&
           ParseHex8(line + 9, identity.indexHigh) && ParseHex8(line + 18, identity.indexLow);
}

bool ParseMethod(const char* line, RestartMethod& method)
{
    size_t length = TextLength(line);
    for (size_t i = 0; i < sizeof(kMethodWords) / sizeof(kMethodWords[0]); ++i) {
        if (length == TextLength(kMethodWords[i]) && TextCompareN(line, kMethodWords[i], length) == 0) {
            method = static_cast<RestartMethod>(i);
            return true;
        }
    }
    return false;
}

}  // namespace

bool FormatMoveRecord(const MoveRecord& record, char* text, size_t textSize)
{
    return FormatText(text, textSize, "%s\r\n%s\r\n%s\r\n%08lx-%08lx-%08lx\r\n", record.originalPath,
                      record.detectionName, kMethodWords[record.method], record.identity.volume,
                      record.identity.indexHigh, record.identity.indexLow);
}

bool ParseMoveRecord(const char* text, size_t size, MoveRecord& record)
{
    record = MoveRecord{};
    size_t at = 0;
    if (text == nullptr || !TakeLine(text, size, &at, record.originalPath, sizeof(record.originalPath)) ||
        !TakeLine(text, size, &at, record.detectionName, sizeof(record.detectionName)) ||
        !IsFullPath(record.originalPath)) {
        record = MoveRecord{};
        return false;
    }
    if (at == size)
        return true;
    char method[32];
    char identity[32];
    if (!TakeLine(text, size, &at, method, sizeof(method)) || !ParseMethod(method, record.method) ||
        !TakeLine(text, size, &at, identity, sizeof(identity)) || !ParseIdentity(identity, record.identity) ||
        at != size) {
        record = MoveRecord{};
        return false;
    }
    return true;
}

bool RestartFolderFor(const char* path, char* folder, size_t folderSize)
{
    if (path == nullptr || !IsFullPath(path) || path[1] != ':')
        return false;
    char root[4] = {path[0], ':', '\\', '\0'};
    return CopyText(folder, folderSize, root) && AppendText(folder, folderSize, kRestartFolderName);
}

FinishAction DecideFinish(RestartMethod method, const FinishFacts& facts)
{
    if (!facts.present)
        return method == kMovedNow ? kFinishDoneAtRestart : kFinishNothingMoved;
    if (!facts.opened)
        return kFinishKeepRecord;
    switch (method) {
    case kMovedAtRestart:
        // The restart moved what the path named then. No folder of it may be a link now, or
        // putting it back could send it elsewhere.
        if (facts.matches)
            return kFinishDelete;
        return facts.pathChanged ? kFinishKeepRecord : kFinishPutBack;
    case kMovedNow:
        // Moved while it matched, through its own handle: never sent back by path.
        return facts.sameFile && facts.matches ? kFinishDelete : kFinishKeepRecord;
    case kSecondName:
        if (!facts.sameFile)
            return kFinishKeepRecord;
        // The first name is touched only when it still names the very file and no link is on
        // its way; in every other case the tool lets go of its own name alone.
        if (!facts.matches || facts.pathChanged)
            return kFinishDropName;
        switch (facts.original) {
        case kOriginalSame:
            return kFinishDeleteBoth;
        case kOriginalGone:
        case kOriginalOther:
            return kFinishDropName;
        case kOriginalHeld:
        case kOriginalUnknown:
            return kFinishKeepRecord;
        }
    }
    return kFinishKeepRecord;
}
