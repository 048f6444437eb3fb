// Keeps files open so that others may read them but nobody can delete them: the demo's and the tests'
// stand-in for a program that holds an infected file. Usage: lock_holder PATH...
// Prints "locked N" once every file is held, then waits until it is ended.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    int held = 0;
    for (int i = 1; i < argc; ++i) {
        HANDLE file = CreateFileA(argv[i], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "lock_holder: cannot open %s (error %lu)\n", argv[i], GetLastError());
            return 1;
        }
        ++held;  // the handle stays open until the process ends
    }
    std::printf("locked %d\n", held);
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
