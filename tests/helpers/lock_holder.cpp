// Keeps files open so that others may read them but nobody can delete them: the demo's and the tests'
// stand-in for a program that holds an infected file.
//   lock_holder [-ready EVENT] [-write | -none] [-for MS] PATH...
// -write holds the files open for reading and writing, sharing both, as a program keeps its data
// file open for update. -none holds them sharing nothing, so nobody else can even open them.
// -for lets the files go after MS milliseconds and ends the program.
// "-self" as a PATH holds this program's own file, as a running trojan holds its own. Prints
// "locked N" and sets the named event EVENT (made by the caller) once every file is held, then
// waits until it is ended. With no PATH it just waits, like a trojan sitting in memory.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    const char* readyEvent = nullptr;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-ready") == 0) {
        readyEvent = argv[2];
        first = 3;
    }
    bool forWriting = first < argc && std::strcmp(argv[first], "-write") == 0;
    if (forWriting)
        ++first;
    bool sharingNothing = !forWriting && first < argc && std::strcmp(argv[first], "-none") == 0;
    if (sharingNothing)
        ++first;
    DWORD holdMs = INFINITE;
    if (first + 1 < argc && std::strcmp(argv[first], "-for") == 0) {
        holdMs = static_cast<DWORD>(std::strtoul(argv[first + 1], nullptr, 10));
        first += 2;
    }
    int held = 0;
    for (int i = first; i < argc; ++i) {
        char self[MAX_PATH];
        const char* path = argv[i];
        if (std::strcmp(path, "-self") == 0) {
            DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
            if (length == 0 || length >= sizeof(self))
                return 1;
            path = self;
        }
        HANDLE file = forWriting ? CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                 : CreateFileA(path, GENERIC_READ, sharingNothing ? 0 : FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "lock_holder: cannot open %s (error %lu)\n", path, GetLastError());
            return 1;
        }
        ++held;  // the handle stays open until the process ends
    }
    std::printf("locked %d\n", held);
    std::fflush(stdout);
    if (readyEvent != nullptr) {
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, readyEvent);
        if (ready == nullptr) {
            std::fprintf(stderr, "lock_holder: no event %s (error %lu)\n", readyEvent, GetLastError());
            return 1;
        }
        SetEvent(ready);
    }
    // Ending the process closes every handle it holds.
    Sleep(holdMs);
    return 0;
}
