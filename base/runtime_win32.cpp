// Start-up and the C-library names of the release exe, which links no C run-time: Windows 95 as
// first shipped has no msvcrt.dll. Linked only into the product; the test programs keep the C
// run-time, and these names would clash with it there.
#include <windows.h>

#include "base/clib.h"

extern "C" void (*__CTOR_LIST__[])();  // made by the linker

namespace {

// Global destructors the compiler registers; the product has a handful.
const int kExitHandlerLimit = 32;
void (*g_exitHandlers[kExitHandlerLimit])();
int g_exitHandlerCount = 0;

void RunConstructors()
{
    // The linker's table: -1, the constructors, 0. They run last to first, as the C run-time did.
    int count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr)
        ++count;
    for (int i = count; i >= 1; --i)
        __CTOR_LIST__[i]();
}

void RunExitHandlers()
{
    while (g_exitHandlerCount > 0)
        g_exitHandlers[--g_exitHandlerCount]();
}

}  // namespace

extern "C" {

// The image's entry point (named in the link). The system's stack may be only 4-byte aligned.
__attribute__((force_align_arg_pointer, noreturn)) void TarvexStartup()
{
    // Full x87 precision, as the C run-time's start-up set it: the window scaling's truncations of
    // quotients stay exactly as they were.
    __asm__ __volatile__("fninit");
    RunConstructors();
    // The application reads its switches itself (GetCommandLineA); its window shows itself.
    char noCommandLine[] = "";
    int code = WinMain(GetModuleHandleA(nullptr), nullptr, noCommandLine, SW_SHOWDEFAULT);
    RunExitHandlers();
    ExitProcess(static_cast<UINT>(code));
}

int atexit(void (*handler)())
{
    if (g_exitHandlerCount >= kExitHandlerLimit)
        return -1;
    g_exitHandlers[g_exitHandlerCount++] = handler;
    return 0;
}

void* malloc(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void* calloc(size_t count, size_t size)
{
    if (size != 0 && count > static_cast<size_t>(-1) / size)
        return nullptr;
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * size);
}

void free(void* block)
{
    if (block != nullptr)
        HeapFree(GetProcessHeap(), 0, block);
}

// The compiler may emit calls to the first four itself (copies and clears of records).
void* memcpy(void* dest, const void* src, size_t count)
{
    return MemCopy(dest, src, count);
}

void* memmove(void* dest, const void* src, size_t count)
{
    return MemMove(dest, src, count);
}

void* memset(void* dest, int value, size_t count)
{
    return MemFill(dest, value, count);
}

int memcmp(const void* a, const void* b, size_t count)
{
    return MemCompare(a, b, count);
}

void* memchr(const void* data, int value, size_t count)
{
    return const_cast<void*>(MemFindByte(data, value, count));
}

size_t strlen(const char* text)
{
    return TextLength(text);
}

char* strchr(const char* text, int c)
{
    return const_cast<char*>(TextFindChar(text, c));
}

char* strrchr(const char* text, int c)
{
    return const_cast<char*>(TextFindLastChar(text, c));
}

char* strstr(const char* text, const char* part)
{
    return const_cast<char*>(TextFindText(text, part));
}

int strncmp(const char* a, const char* b, size_t count)
{
    return TextCompareN(a, b, count);
}

unsigned long strtoul(const char* text, char** end, int base)
{
    return ParseUnsigned(text, const_cast<const char**>(end), base);
}

}  // extern "C"

// Allocation goes to the process heap; without exceptions a failed new returns null.
void* operator new(size_t size)
{
    return malloc(size != 0 ? size : 1);
}

void operator delete(void* block) noexcept
{
    free(block);
}

void operator delete(void* block, size_t) noexcept
{
    free(block);
}
