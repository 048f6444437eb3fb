// doctest's runner, shared by the native and the Wine-side test programs.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#if defined(_WIN32)
#define DOCTEST_CONFIG_NO_MULTITHREADING  // the win32-thread mingw has no std::mutex
#endif
#include <doctest.h>
