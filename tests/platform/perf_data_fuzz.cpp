// Fuzz entry for the performance-data readers: the counter name list and the process object.
#include <cstddef>
#include <cstdint>

#include "platform/process_list.h"

namespace {

bool Latin1(const uint8_t* utf16, size_t unitCount, char* text, size_t textSize, void*)
{
    if (unitCount > textSize)
        return false;
    for (size_t i = 0; i < unitCount; ++i) {
        if (utf16[2 * i + 1] != 0)
            return false;
        text[i] = static_cast<char>(utf16[2 * i]);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    char objectIndex[16];
    uint32_t counterIndex = 0;
    FindProcessCounterIndexes(data, size, objectIndex, sizeof(objectIndex), &counterIndex);
    // The first four bytes choose the counter index so that the fuzzer can reach the rows.
    if (size < 4)
        return 0;
    uint32_t wanted = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
    TaskEntry tasks[kMaxTasks + 1];
    ParseProcessObject(data + 4, size - 4, wanted, tasks, kMaxTasks, Latin1, nullptr);
    return 0;
}
