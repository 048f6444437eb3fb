// Bounded text helpers: every copy, append and format of the product goes through these.
// They always terminate the destination and report truncation by returning false.
#pragma once
#include <cstddef>
#include <cstdarg>

// Copies src into dest (destSize bytes in all). False when src did not fit; dest then holds its head.
bool CopyText(char* dest, size_t destSize, const char* src);
// Copies at most count bytes of src (stopping at its terminator).
bool CopyTextN(char* dest, size_t destSize, const char* src, size_t count);
// Appends src to the text already in dest.
bool AppendText(char* dest, size_t destSize, const char* src);
// printf-style formatting into dest.
bool FormatText(char* dest, size_t destSize, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;
bool FormatTextV(char* dest, size_t destSize, const char* format, va_list args);

// ASCII-only case helpers: the product's text is 8-bit ANSI and the rules it implements
// (file names, registry data) compare the way the C run-time's tolower does in the "C" locale.
char LowerAscii(char c);
char UpperAscii(char c);
void LowerInPlace(char* text);
void UpperInPlace(char* text);
int CompareNoCase(const char* a, const char* b);
int CompareNoCaseN(const char* a, const char* b, size_t count);
// Length of text, but never reading past maxLength bytes (for data that may lack a terminator).
size_t BoundedLength(const char* text, size_t maxLength);
