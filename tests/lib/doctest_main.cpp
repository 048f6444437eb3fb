// doctest's runner, shared by the native and the Wine-side test programs.
#define DOCTEST_CONFIG_IMPLEMENT_WITH_MAIN
#include <doctest.h>
