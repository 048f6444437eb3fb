// The form of a scan's ID.
#include "run/scan_id.h"

#include "base/text.h"

bool IsScanIdText(const char* text)
{
    size_t length = BoundedLength(text, kScanIdSize);
    if (length == 0 || length >= kScanIdSize)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            continue;
        // A dash only between digits: the ID is a folder's name and never "-", "--" or "-x".
        if (text[i] != '-' || i == 0 || i + 1 == length || text[i - 1] == '-')
            return false;
    }
    return true;
}
