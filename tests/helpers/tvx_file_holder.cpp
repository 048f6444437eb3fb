// Holds a file open without delete sharing, the way a running trojan keeps its file, until it is
// ended (or two minutes pass).
//   tvx_file_holder.exe FILE EVENT   holds FILE
//   tvx_file_holder.exe -self EVENT  holds its own program file
//   tvx_file_holder.exe -write FILE EVENT  holds FILE open for reading and writing, sharing both
//                                          (a program that keeps its data file open for update)
// The named event EVENT is set once the file is held.
#include <windows.h>
#include <cstring>

int main(int argc, char** argv)
{
    bool forWriting = argc > 1 && std::strcmp(argv[1], "-write") == 0;
    if (forWriting) {
        --argc;
        ++argv;
    }
    if (argc < 3)
        return 2;
    char path[MAX_PATH];
    if (std::strcmp(argv[1], "-self") == 0) {
        DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
        if (length == 0 || length >= sizeof(path))
            return 3;
    } else {
        lstrcpynA(path, argv[1], sizeof(path));
    }
    HANDLE file = forWriting ? CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                             : CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 4;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]);
    if (ready == nullptr)
        return 5;
    SetEvent(ready);
    Sleep(120000);
    CloseHandle(file);
    return 0;
}
