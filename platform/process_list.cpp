// Matching rules of the three termination techniques and the performance-data process list reader.
#include "platform/process_list.h"

#include <cstdlib>
#include <cstring>

#include "base/byte_reader.h"
#include "base/product.h"
#include "base/text.h"

const char* FileNamePart(const char* path)
{
    const char* slash = std::strrchr(path, '\\');
    return slash != nullptr ? slash + 1 : path;
}

bool ImageIsFile(const char* imagePath, const char* const* forms, int formCount)
{
    for (int i = 0; i < formCount; ++i) {
        if (forms[i][0] != '\0' && imagePath[0] != '\0' && PsapiPathMatches(imagePath, forms[i]))
            return true;
    }
    return false;
}

bool ToolhelpNameMatches(const char* exeFile, const char* const* forms, int formCount)
{
    if (std::strchr(exeFile, '\\') != nullptr)
        return ImageIsFile(exeFile, forms, formCount);
    for (int i = 0; i < formCount; ++i) {
        if (forms[i][0] != '\0' && CompareNoCase(exeFile, FileNamePart(forms[i])) == 0)
            return true;
    }
    return false;
}

bool PsapiPathMatches(const char* modulePath, const char* path)
{
    return std::strlen(modulePath) == std::strlen(path) && CompareNoCase(modulePath, path) == 0;
}

bool MakePerfDataBaseName(const char* path, char* baseName, size_t baseNameSize)
{
    char copy[kPathSize];
    if (!CopyText(copy, sizeof(copy), path))
        return false;
    UpperInPlace(copy);
    size_t length = std::strlen(copy);
    if (length <= 4)
        return false;
    copy[length - 4] = '\0';  // the extension with its dot, as in .EXE
    return CopyText(baseName, baseNameSize, FileNamePart(copy));
}

bool TaskNameMatches(const char* taskName, const char* baseName)
{
    size_t length = std::strlen(baseName);
    // A prefix test on purpose: the base name MSSYS also ends the instance mssys32.
    return length != 0 && CompareNoCaseN(taskName, baseName, length) == 0;
}

PerfRowAction DecidePerfRow(const char* taskName, const char* baseName, const char* imagePath,
                            const char* const* forms, int formCount)
{
    if (!TaskNameMatches(taskName, baseName))
        return kPerfRowOther;
    if (imagePath == nullptr)
        return kPerfRowNotConfirmed;
    return ImageIsFile(imagePath, forms, formCount) ? kPerfRowTerminate : kPerfRowOtherImage;
}

bool MakeServiceName(const char* modulePath, char* serviceName, size_t serviceNameSize)
{
    if (!CopyText(serviceName, serviceNameSize, FileNamePart(modulePath)))
        return false;
    char* dot = std::strrchr(serviceName, '.');
    if (dot != nullptr)
        *dot = '\0';
    // ".exe" leaves no name, and an empty one would make the key paths name the Services key itself.
    return serviceName[0] != '\0';
}

namespace {

// The run of decimal digits that ends right before names[end] (the terminator of the previous
// string), copied as text. Empty when there is none.
void DigitsBefore(const uint8_t* names, size_t end, char* digits, size_t digitsSize)
{
    size_t first = end;
    while (first > 0 && names[first - 1] >= '0' && names[first - 1] <= '9')
        --first;
    CopyTextN(digits, digitsSize, reinterpret_cast<const char*>(names + first), end - first);
}

bool EqualsNoCase(const uint8_t* text, size_t length, const char* word)
{
    size_t wordLength = std::strlen(word);
    return length == wordLength &&
           CompareNoCaseN(reinterpret_cast<const char*>(text), word, wordLength) == 0;
}

// Room for [offset, offset + length) inside size, checked by subtraction.
bool Fits(size_t size, uint64_t offset, uint64_t length)
{
    return offset <= size && length <= size - offset;
}

// Signature of a performance-data block: "PERF" in UTF-16LE.
const uint8_t kPerfSignature[8] = {'P', 0, 'E', 0, 'R', 0, 'F', 0};

// Field positions in the platform's 32-bit layouts.
const size_t kBlockHeaderLength = 24;
const size_t kBlockFixedSize = 28;
const size_t kObjectDefinitionLength = 4;
const size_t kObjectHeaderLength = 8;
const size_t kObjectNumCounters = 32;
const size_t kObjectNumInstances = 40;
const size_t kObjectFixedSize = 44;
const size_t kCounterStride = 40;
const size_t kCounterTitleIndex = 4;
const size_t kCounterOffset = 36;
const size_t kInstanceByteLength = 0;
const size_t kInstanceNameOffset = 16;
const size_t kInstanceFixedSize = 24;
const size_t kCounterBlockFixedSize = 4;

}  // namespace

bool FindProcessCounterIndexes(const uint8_t* names, size_t size, char* objectIndex,
                               size_t objectIndexSize, uint32_t* counterIndex)
{
    bool haveObject = false;
    bool haveCounter = false;
    *counterIndex = 0;
    if (objectIndexSize > 0)
        objectIndex[0] = '\0';
    size_t start = 0;
    while (start < size && names[start] != 0) {
        size_t end = start;
        while (end < size && names[end] != 0)
            ++end;  // a list cut short ends at the buffer's end
        size_t length = end - start;
        // The index is the string before this one; its terminator sits at start - 1.
        if (start > 0 && EqualsNoCase(names + start, length, "process")) {
            DigitsBefore(names, start - 1, objectIndex, objectIndexSize);
            haveObject = objectIndex[0] != '\0';
        } else if (start > 0 && EqualsNoCase(names + start, length, "id process")) {
            char digits[16];
            DigitsBefore(names, start - 1, digits, sizeof(digits));
            *counterIndex = static_cast<uint32_t>(std::strtoul(digits, nullptr, 10));
            haveCounter = digits[0] != '\0';
        }
        start = end + 1;
    }
    return haveObject && haveCounter;
}

int ParseProcessObject(const uint8_t* data, size_t size, uint32_t counterIndex, TaskEntry* tasks,
                       int maxTasks, InstanceNameConverter convert, void* context)
{
    if (maxTasks > kMaxTasks)
        maxTasks = kMaxTasks;
    if (data == nullptr || size < kBlockFixedSize || std::memcmp(data, kPerfSignature, 8) != 0)
        return 0;

    uint64_t object = ReadLe32(data + kBlockHeaderLength);
    if (!Fits(size, object, kObjectFixedSize))
        return 0;
    const uint8_t* objectBytes = data + object;
    uint64_t definitions = object + ReadLe32(objectBytes + kObjectHeaderLength);
    uint64_t numCounters = ReadLe32(objectBytes + kObjectNumCounters);
    // The whole definition array must lie in the buffer; a count that runs past it is malformed.
    if (!Fits(size, definitions, numCounters * kCounterStride))
        return 0;
    bool haveCounter = false;
    uint32_t counterOffset = 0;
    for (uint64_t i = 0; i < numCounters; ++i) {
        const uint8_t* definition = data + definitions + i * kCounterStride;
        if (ReadLe32(definition + kCounterTitleIndex) == counterIndex) {
            counterOffset = ReadLe32(definition + kCounterOffset);
            haveCounter = true;
            break;
        }
    }
    // Without the process id counter no row can name a process: nothing is listed.
    if (!haveCounter)
        return 0;

    // NumInstances is signed (-1 for an object without instances); compared unsigned, as the
    // cap is, so -1 reads as "many" and is stopped by the buffer checks.
    uint32_t rows = ReadLe32(objectBytes + kObjectNumInstances);
    if (rows > static_cast<uint32_t>(maxTasks))
        rows = static_cast<uint32_t>(maxTasks);

    uint64_t instance = object + ReadLe32(objectBytes + kObjectDefinitionLength);
    for (uint32_t row = 0; row < rows; ++row) {
        if (!Fits(size, instance, kInstanceFixedSize))
            return 0;
        const uint8_t* instanceBytes = data + instance;
        TaskEntry& task = tasks[row];
        std::memset(&task, 0, sizeof(task));

        // The name must be terminated inside the buffer before it is handed on.
        uint64_t name = instance + ReadLe32(instanceBytes + kInstanceNameOffset);
        if (!Fits(size, name, 2))
            return 0;
        uint64_t units = 0;
        bool terminated = false;
        while (Fits(size, name + units * 2, 2)) {
            ++units;
            if (ReadLe16(data + name + (units - 1) * 2) == 0) {
                terminated = true;
                break;
            }
        }
        if (!terminated)
            return 0;
        char converted[kPathSize];
        if (!convert(data + name, static_cast<size_t>(units), converted, sizeof(converted), context))
            CopyText(task.name, sizeof(task.name), "unknown");
        else if (BoundedLength(converted, sizeof(converted)) <= kMaxTaskNameLength)
            CopyText(task.name, sizeof(task.name), converted);

        uint64_t counterBlock = instance + ReadLe32(instanceBytes + kInstanceByteLength);
        if (!Fits(size, counterBlock, kCounterBlockFixedSize) ||
            !Fits(size, counterBlock + counterOffset, 4))
            return 0;
        uint32_t processId = ReadLe32(data + counterBlock + counterOffset);
        task.processId = processId != 0 ? processId : 0xFFFFFFFEu;
        instance = counterBlock + ReadLe32(data + counterBlock);
    }
    return static_cast<int>(rows);
}

uint8_t* QueryPerfData(PerfQueryFunction query, void* context, uint32_t* answerSize)
{
    *answerSize = 0;
    uint32_t capacity = kPerfDataFirstSize;
    for (;;) {
        uint8_t* buffer = static_cast<uint8_t*>(std::calloc(capacity, 1));
        if (buffer == nullptr)
            return nullptr;  // a failed enlargement is unreadable data, like a failed first try
        uint32_t size = capacity;
        PerfQueryStatus status = query(context, buffer, &size);
        if (status == kPerfQueryDone && size != 0) {
            *answerSize = size < capacity ? size : capacity;
            return buffer;
        }
        std::free(buffer);
        if (status != kPerfQueryMoreData || capacity > kPerfDataMaxSize - kPerfDataGrowth)
            return nullptr;
        capacity += kPerfDataGrowth;
    }
}
