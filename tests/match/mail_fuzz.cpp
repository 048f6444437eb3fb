// Fuzz entry of the mail-worm matcher: arbitrary bytes as a file, against the shipped record and
// against the same record in fixed-position mode on either window, with a position from the input.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/byte_reader.h"
#include "match/mail_match.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static MailRecord records[2];
    static bool ready = false;
    if (!ready) {
        records[0] = g_mailRecords[0];
        UnscrambleMailPatterns(records, 1);
        records[1] = records[0];
        records[1].matchMode = 0;
        ready = true;
    }
    MemoryReader reader(data, size);
    static MailWindows windows;
    MatchMailRecordTable(reader, records, 1, windows);
    if (size >= 8) {
        records[1].position = static_cast<int16_t>(ReadLe16(data + 5));
        records[1].window = static_cast<int16_t>(data[7] & 1);
        records[1].patternLength = static_cast<uint16_t>(1 + data[7] % 100);
        MatchMailRecordTable(reader, records + 1, 1, windows);
    }
    return 0;
}
