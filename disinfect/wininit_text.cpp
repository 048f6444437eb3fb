// wininit.ini text rewriting: the [rename] entry is placed by line, every old byte is kept.
#include "disinfect/wininit_text.h"

#include <cstdint>
#include <cstring>

#include "base/text.h"

namespace {

const char kRenameHeader[] = "[rename]";
const size_t kRenameHeaderLength = sizeof(kRenameHeader) - 1;
const int32_t kChunkSize = 4096;

// Where the entry goes, found in one pass over the old text.
struct InsertPlan {
    int64_t offset;      // old bytes before this offset come first, the rest after the entry
    bool insideSection;  // false: the entry lands at the end (after a new header if none was seen)
    bool sawHeader;
    char lastByte;       // last byte of the old text (when there is one)
};

// Whole lines count, however long: a piece of a long line is never taken for a section header,
// so the entry never splits an old line.
bool PlanInsert(ByteReader& oldText, int64_t length, InsertPlan& plan)
{
    plan.offset = length;
    plan.insideSection = false;
    plan.sawHeader = false;
    plan.lastByte = 0;
    char chunk[kChunkSize];
    char head[kRenameHeaderLength];
    size_t headUsed = 0;  // bytes of the current line's head gathered so far
    bool lineStart = true;
    int64_t lineOffset = 0;
    int64_t offset = 0;
    while (offset < length) {
        int32_t got = oldText.ReadAt(offset, chunk, kChunkSize);
        if (got <= 0)
            return false;
        for (int32_t i = 0; i < got; ++i) {
            char c = chunk[i];
            if (lineStart) {
                lineStart = false;
                lineOffset = offset + i;
                headUsed = 0;
                if (plan.sawHeader && c == '[') {
                    plan.offset = lineOffset;
                    plan.insideSection = true;
                    return true;
                }
            }
            if (!plan.sawHeader && headUsed < kRenameHeaderLength) {
                head[headUsed++] = c;
                if (headUsed == kRenameHeaderLength && CompareNoCaseN(head, kRenameHeader, kRenameHeaderLength) == 0)
                    plan.sawHeader = true;
            }
            if (c == '\n')
                lineStart = true;
            plan.lastByte = c;
        }
        offset += got;
    }
    return true;
}

bool CopyRange(ByteReader& oldText, int64_t from, int64_t to, TextSink& out)
{
    char chunk[kChunkSize];
    while (from < to) {
        int64_t left = to - from;
        int32_t want = left < kChunkSize ? static_cast<int32_t>(left) : kChunkSize;
        int32_t got = oldText.ReadAt(from, chunk, want);
        if (got <= 0)
            return false;
        if (!out.Write(chunk, static_cast<size_t>(got)))
            return false;
        from += got;
    }
    return true;
}

bool WriteText(TextSink& out, const char* text)
{
    return out.Write(text, std::strlen(text));
}

}  // namespace

bool RewriteWininitText(ByteReader& oldText, const char* target, const char* file, TextSink& out)
{
    int64_t length = oldText.Length();
    if (length < 0)
        return false;
    InsertPlan plan;
    if (!PlanInsert(oldText, length, plan))
        return false;
    if (!CopyRange(oldText, 0, plan.offset, out))
        return false;
    if (!plan.insideSection) {
        // An unended last line would otherwise run into what follows.
        if (length > 0 && plan.lastByte == '\r' && !WriteText(out, "\n"))
            return false;
        bool unended = length > 0 && plan.lastByte != '\r' && plan.lastByte != '\n';
        if (unended && !WriteText(out, "\r\n"))
            return false;
        if (!plan.sawHeader && !WriteText(out, "[rename]\r\n"))
            return false;
    }
    if (!WriteText(out, target) || !WriteText(out, "=") || !WriteText(out, file) || !WriteText(out, "\r\n"))
        return false;
    return CopyRange(oldText, plan.offset, length, out);
}
