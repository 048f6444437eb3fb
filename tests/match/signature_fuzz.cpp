// Fuzz entry of the signature matcher: arbitrary bytes as a file, against the shipped table and
// against a one-record table whose offsets come from the input, with no length test, so that the
// offset mapping and the run reads are reached.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/byte_reader.h"
#include "match/signature_match.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryReader reader(data, size);
    PeImageInfo info;
    MatchSignatureTable(reader, kSignatureTable, info);

    if (size >= 8) {
        SignatureRecord table[2];
        std::memset(table, 0, sizeof(table));
        std::memcpy(table[0].name, "F", 2);
        table[0].firstOffset = static_cast<int32_t>(ReadLe32(data));
        table[0].secondOffset = static_cast<int32_t>(ReadLe32(data + 4));
        table[0].sizeRule = static_cast<int32_t>(SizeRule::Any);
        // Runs equal to the bytes at 64, so that a well-formed image can pass the first compare.
        if (size >= 84) {
            std::memcpy(table[0].firstBytes, data + 64, 20);
            std::memcpy(table[0].secondBytes, data + 64, 20);
        }
        MatchSignatureTable(reader, table, info);
    }
    return 0;
}
