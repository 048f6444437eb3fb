// The few C-library routines the product needs, written once. The Windows release exe has no C
// run-time: base/runtime_win32.cpp gives these the standard names there (memcpy, strlen, ...).
// Native builds keep the host library; its tests check these against it, case by case.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>

void* MemCopy(void* dest, const void* src, size_t count);
void* MemMove(void* dest, const void* src, size_t count);
void* MemFill(void* dest, int value, size_t count);
int MemCompare(const void* a, const void* b, size_t count);
const void* MemFindByte(const void* data, int value, size_t count);

size_t TextLength(const char* text);
const char* TextFindChar(const char* text, int c);      // first c; the terminator itself can be found
const char* TextFindLastChar(const char* text, int c);  // last c
const char* TextFindText(const char* text, const char* part);
int TextCompareN(const char* a, const char* b, size_t count);

// strtoul for a 32-bit unsigned long: leading blanks, a sign, base 0 or 2 to 36 (0 takes 0x/0 as
// hex/octal). Saturates at UINT32_MAX on overflow; end, when given, points past the digits used.
uint32_t ParseUnsigned(const char* text, const char** end, int base);

// vsnprintf for the conversions the product and its tests use: %s %c %d %i %u %x %X %%, flags '-'
// and '0', a width, and the 'l' size. Writes at most destSize bytes, always terminated when
// destSize > 0, and returns the length the whole text needs; -1 for any other conversion.
int FormatBounded(char* dest, size_t destSize, const char* format, va_list args);
