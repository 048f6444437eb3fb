// The product's version: the window title, the version resource and the release package's name all
// take it from here. Plain #defines, because the resource compiler reads this file too.
#pragma once

#define TARVEX_VERSION_MAJOR 1
#define TARVEX_VERSION_MINOR 0

#define TARVEX_STRINGIZE_(x) #x
#define TARVEX_STRINGIZE(x) TARVEX_STRINGIZE_(x)
// "1.0"
#define TARVEX_VERSION_TEXT TARVEX_STRINGIZE(TARVEX_VERSION_MAJOR.TARVEX_VERSION_MINOR)
