// Fuzz entry for the quarantine's records reader: any bytes are read or refused without a fault of
// ours, and whatever is accepted is written back to a file that reads the same and writes the same.
#include <cstdint>
#include <string>

#include "base/byte_reader.h"
#include "disinfect/quarantine_record.h"
#include "tests/lib/string_sink.h"

namespace {

class Rewrite : public RecordVisitor {
public:
    bool Record(const QuarantineRecord& record) override
    {
        // The reader accepted it, so the writer must take it.
        if (!WriteRecord(record, sink))
            __builtin_trap();
        return true;
    }
    StringSink sink;
};

std::string ReadAndWrite(const uint8_t* data, size_t size, RecordFileSummary& summary, bool& ok)
{
    MemoryReader reader(data, size);
    Rewrite rewrite;
    ok = ReadRecordFile(reader, summary, &rewrite);
    if (!ok)
        return std::string();
    StringSink header;
    if (!WriteRecordFileHeader(summary.header, header))
        __builtin_trap();
    return header.text + rewrite.sink.text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RecordFileSummary first;
    bool ok = false;
    std::string written = ReadAndWrite(data, size, first, ok);
    if (!ok)
        return 0;
    RecordFileSummary second;
    std::string again = ReadAndWrite(reinterpret_cast<const uint8_t*>(written.data()), written.size(), second, ok);
    if (!ok || second.cutTail || again != written || second.files != first.files || second.keys != first.keys ||
        second.values != first.values || second.undos != first.undos)
        __builtin_trap();
    return 0;
}
