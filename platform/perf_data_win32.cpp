// The process list of the performance data on the NT family: the counter names and the process
// object read from the registry and handed to the portable parser (platform/process_list.*).
#include <windows.h>

#include "base/product.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "platform/perf_data_win32.h"
#include "platform/registry.h"

namespace {

const char kPerflibKey[] = "software\\microsoft\\windows nt\\currentversion\\perflib";
const int kEnglishLanguage = 9;
// Far above the longest counter-name list a system holds; a larger value is taken as damaged.
const size_t kMaxCounterNamesSize = 16 * 1024 * 1024;

bool ConvertInstanceName(const uint8_t* utf16, size_t unitCount, char* text, size_t textSize, void*)
{
    // The units may be unaligned inside the answer; the conversion wants aligned characters. A name
    // longer than the text buffer cannot convert into it anyway.
    WCHAR name[kPathSize];
    if (unitCount == 0 || unitCount > sizeof(name) / sizeof(name[0]))
        return false;
    for (size_t i = 0; i < unitCount; ++i)
        name[i] = static_cast<WCHAR>(utf16[2 * i] | (utf16[2 * i + 1] << 8));
    name[unitCount - 1] = 0;
    return WideCharToMultiByte(CP_ACP, 0, name, -1, text, static_cast<int>(textSize), nullptr, nullptr) != 0;
}

struct PerfQueryContext {
    const char* objectIndex;
};

PerfQueryStatus QueryPerformanceKey(void* context, uint8_t* buffer, uint32_t* size)
{
    DWORD length = *size;
    LONG status =
        QueryRegistryValue(HKEY_PERFORMANCE_DATA, static_cast<PerfQueryContext*>(context)->objectIndex, buffer, &length);
    if (status == ERROR_MORE_DATA)
        return kPerfQueryMoreData;
    if (status != ERROR_SUCCESS)
        return kPerfQueryFailed;
    *size = length;
    return kPerfQueryDone;
}

// Reads the counter name list and finds the process object and its id counter.
bool ReadProcessCounterIndexes(char* objectIndex, size_t objectIndexSize, uint32_t* counterIndex)
{
    char keyName[100];
    if (!FormatText(keyName, sizeof(keyName), "%s\\%03x", kPerflibKey, kEnglishLanguage))
        return false;
    ScopedRegistryKey key;
    if (!OpenRegistryKey(HKEY_LOCAL_MACHINE, keyName, KEY_READ, key))
        return false;
    // The two spare zero bytes close a list stored without its final empty string.
    RegistryData names;
    DWORD read = 0;
    if (!ReadRegistryValue(key.Get(), "Counters", kMaxCounterNamesSize, names, &read) || read == 0)
        return false;
    return FindProcessCounterIndexes(reinterpret_cast<const uint8_t*>(names.Data()), read + 2, objectIndex,
                                     objectIndexSize, counterIndex);
}

}  // namespace

int ReadPerfDataTasks(TaskEntry* tasks, int maxTasks)
{
    char objectIndex[16];
    uint32_t counterIndex = 0;
    if (!ReadProcessCounterIndexes(objectIndex, sizeof(objectIndex), &counterIndex))
        return 0;

    PerfQueryContext query = {objectIndex};
    uint32_t size = 0;
    ScopedHeapBlock answer(QueryPerfData(QueryPerformanceKey, &query, &size));
    RegCloseKey(HKEY_PERFORMANCE_DATA);
    if (answer.As<uint8_t>() == nullptr)
        return 0;
    return ParseProcessObject(answer.As<uint8_t>(), size, counterIndex, tasks, maxTasks, ConvertInstanceName, nullptr);
}
