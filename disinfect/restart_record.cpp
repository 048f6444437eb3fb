// The moved file's record: what the step after the restart trusts, and so reads strictly.
#include "disinfect/restart_record.h"

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

}  // namespace

bool FormatMoveRecord(const MoveRecord& record, char* text, size_t textSize)
{
    return FormatText(text, textSize, "%s\r\n%s\r\n", record.originalPath, record.detectionName);
}

bool ParseMoveRecord(const char* text, size_t size, MoveRecord& record)
{
    record = MoveRecord{};
    size_t at = 0;
    if (text == nullptr || !TakeLine(text, size, &at, record.originalPath, sizeof(record.originalPath)) ||
        !TakeLine(text, size, &at, record.detectionName, sizeof(record.detectionName)) || at != size ||
        !IsFullPath(record.originalPath)) {
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
