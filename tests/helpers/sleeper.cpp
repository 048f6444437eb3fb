// A program that does nothing but stay alive: the process that the termination tests end.
//   sleeper [seconds] [pid-file]   (default 120 s; the pid file receives the process id)
#include <windows.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
    if (argc > 2) {
        FILE* file = std::fopen(argv[2], "w");
        if (file != nullptr) {
            std::fprintf(file, "%lu\n", GetCurrentProcessId());
            std::fclose(file);
        }
    }
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return 0;
}
