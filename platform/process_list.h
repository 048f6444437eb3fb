// Portable halves of process termination: how a process is matched to a file by each technique,
// and the reading of the performance-data counter names and process object into a task list.
#pragma once
#include <cstddef>
#include <cstdint>

// Rows of the performance-data task list actually filled (254, not 255 or 256).
const int kMaxTasks = 254;
// Longest instance name kept; a longer one is stored empty and so never matches.
const size_t kMaxTaskNameLength = 16;

// One row of the performance-data process list.
struct TaskEntry {
    uint32_t processId;  // 0 is stored as 0xFFFFFFFE
    char name[kMaxTaskNameLength + 1];
};

// The part of path after its last '\' (all of path when it has none).
const char* FileNamePart(const char* path);
// The image path is one of the file's spellings (empty ones are ignored), ignoring case.
bool ImageIsFile(const char* imagePath, const char* const* forms, int formCount);
// Toolhelp rule: an exeFile that holds a path (Windows 95/98/ME give one) must be one of the file's
// spellings; a bare exeFile (as Wine and the NT family give it) is compared with their file names,
// ignoring case.
bool ToolhelpNameMatches(const char* exeFile, const char* const* forms, int formCount);
// psapi rule: the module path has exactly the length of path and equals it, ignoring case.
bool PsapiPathMatches(const char* modulePath, const char* path);
// Performance-data rule, first half: path upper-cased, its last four characters cut, the part after
// the last '\'. False (nothing to look for) when path has four characters or fewer or does not fit.
bool MakePerfDataBaseName(const char* path, char* baseName, size_t baseNameSize);
// Second half: the task name begins with baseName, ignoring case. An empty base name matches nothing.
bool TaskNameMatches(const char* taskName, const char* baseName);
// What the performance-data technique does with one row.
enum PerfRowAction {
    kPerfRowOther,         // the name does not begin with the base name
    kPerfRowTerminate,     // its image is the file
    kPerfRowOtherImage,    // a namesake: its image is another file
    kPerfRowNotConfirmed,  // its image could not be read (imagePath null)
};
// Instance names carry no path, so a name match is only the first filter: the row's process is
// ended only when its image path is one of the file's spellings.
PerfRowAction DecidePerfRow(const char* taskName, const char* baseName, const char* imagePath,
                            const char* const* forms, int formCount);
// Service name of a module: its file name with everything from the last '.' removed. False when
// that leaves nothing (".exe") or does not fit.
bool MakeServiceName(const char* modulePath, char* serviceName, size_t serviceNameSize);

// Finds the "process" object index (as text) and the "id process" counter index in the counter
// name list (NUL-terminated strings alternating index and name, closed by an empty string). Every
// string is visited and a later hit overwrites an earlier one. The list is read within size only.
// Returns true when both were found with a non-empty run of digits.
bool FindProcessCounterIndexes(const uint8_t* names, size_t size, char* objectIndex,
                               size_t objectIndexSize, uint32_t* counterIndex);

// Converts one UTF-16LE instance name (unitCount 16-bit units, the last of them the terminator,
// possibly unaligned) into 8-bit text. Returns false when the conversion fails.
typedef bool (*InstanceNameConverter)(const uint8_t* utf16, size_t unitCount, char* text,
                                      size_t textSize, void* context);

// Reads the process object of a performance-data answer (the first object of the block) into at
// most maxTasks rows (clamped to kMaxTasks), taking each row's id from the counter whose title
// index is counterIndex. Returns the number of rows; 0 when the block is not a PERF block, has no
// such counter, or any offset or count points outside the buffer (then no row is kept).
int ParseProcessObject(const uint8_t* data, size_t size, uint32_t counterIndex, TaskEntry* tasks,
                       int maxTasks, InstanceNameConverter convert, void* context);

// Performance-data answer: first buffer size, growth step, and the bound of its growth. The answer
// holds every running process (instance record, name and counter block, well under 1 KB each), so
// 4 MB covers thousands of processes, while a system that keeps answering "more data" cannot make
// the tool allocate without end.
const uint32_t kPerfDataFirstSize = 51200;
const uint32_t kPerfDataGrowth = 25600;
const uint32_t kPerfDataMaxSize = 4u * 1024 * 1024;

enum PerfQueryStatus { kPerfQueryDone, kPerfQueryMoreData, kPerfQueryFailed };
// One query into a zero-filled buffer of *size bytes; on kPerfQueryDone *size is the answer's length.
typedef PerfQueryStatus (*PerfQueryFunction)(void* context, uint8_t* buffer, uint32_t* size);

// Asks query with a buffer that starts at kPerfDataFirstSize and grows by kPerfDataGrowth while the
// answer does not fit. Returns the buffer (release with std::free) and the answer's length, or null
// when the query fails, the answer is empty, the bound would be passed, or memory runs out.
uint8_t* QueryPerfData(PerfQueryFunction query, void* context, uint32_t* answerSize);
