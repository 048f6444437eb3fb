// Prints the text an event viewer shows for each event ID given, taken from the message table of an
// exe loaded as a data file, with the insertion strings "<1>" to "<13>":
//   ID TEXT       the message, its line breaks made spaces
//   ID none N     FormatMessage found no text (N is its error)
// Usage: event_texts EXE ID...
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    HMODULE exe = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (exe == nullptr) {
        printf("not loaded %lu\n", GetLastError());
        return 1;
    }
    const char* strings[13];
    char texts[13][8];
    for (int i = 0; i < 13; ++i) {
        sprintf(texts[i], "<%d>", i + 1);
        strings[i] = texts[i];
    }
    for (int a = 2; a < argc; ++a) {
        DWORD id = strtoul(argv[a], nullptr, 10);
        char message[1024];
        DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, exe, id,
                                      MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), message, sizeof(message),
                                      reinterpret_cast<va_list*>(const_cast<char**>(strings)));
        if (length == 0) {
            printf("%lu none %lu\n", id, GetLastError());
            continue;
        }
        std::string text(message, length);
        for (char& c : text) {
            if (c == '\r' || c == '\n')
                c = ' ';
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        printf("%lu %s\n", id, text.c_str());
    }
    fflush(stdout);
    FreeLibrary(exe);
    return 0;
}
