// Fuzz entry for the wininit.ini rewriting: any old text must come back whole, plus one entry.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/byte_reader.h"
#include "disinfect/wininit_text.h"
#include "tests/lib/string_sink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryReader reader(data, size);
    StringSink sink;
    if (!RewriteWininitText(reader, "NUL", "C:\\X~1.EXE", sink))
        __builtin_trap();
    const std::string& out = sink.text;
    const char entry[] = "NUL=C:\\X~1.EXE\r\n";
    size_t entryLength = std::strlen(entry);
    if (out.size() < size + entryLength)
        __builtin_trap();
    size_t prefix = 0;
    while (prefix < size && static_cast<uint8_t>(out[prefix]) == data[prefix])
        ++prefix;
    size_t added = out.size() - size;
    if (added > entryLength + 12 || std::memcmp(out.data() + prefix + added, data + prefix, size - prefix) != 0)
        __builtin_trap();
    if (out.compare(prefix + added - entryLength, entryLength, entry) != 0)
        __builtin_trap();
    return 0;
}
