// Bounded text helpers shared by every subsystem (portable: no Win32).
#include "base/text.h"

#include <cstring>

#include "base/clib.h"

bool CopyTextN(char* dest, size_t destSize, const char* src, size_t count)
{
    if (dest == nullptr || destSize == 0)
        return false;
    size_t n = 0;
    while (n < count && src[n] != '\0' && n + 1 < destSize) {
        dest[n] = src[n];
        ++n;
    }
    dest[n] = '\0';
    return n == count || src[n] == '\0';
}

bool CopyText(char* dest, size_t destSize, const char* src)
{
    return CopyTextN(dest, destSize, src, static_cast<size_t>(-1));
}

bool AppendText(char* dest, size_t destSize, const char* src)
{
    if (dest == nullptr || destSize == 0)
        return false;
    size_t used = BoundedLength(dest, destSize);
    if (used >= destSize) {  // unterminated destination: terminate, report truncation
        dest[destSize - 1] = '\0';
        return false;
    }
    return CopyText(dest + used, destSize - used, src);
}

bool FormatTextV(char* dest, size_t destSize, const char* format, va_list args)
{
    if (dest == nullptr || destSize == 0)
        return false;
    // Our own formatter in every build, so the release exe and the native tests format alike.
    int written = FormatBounded(dest, destSize, format, args);
    if (written < 0) {
        dest[0] = '\0';
        return false;
    }
    return static_cast<size_t>(written) < destSize;
}

bool FormatText(char* dest, size_t destSize, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool ok = FormatTextV(dest, destSize, format, args);
    va_end(args);
    return ok;
}

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

void LowerInPlace(char* text)
{
    for (; *text != '\0'; ++text)
        *text = LowerAscii(*text);
}

void UpperInPlace(char* text)
{
    for (; *text != '\0'; ++text)
        *text = UpperAscii(*text);
}

int CompareNoCaseN(const char* a, const char* b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        unsigned char ca = static_cast<unsigned char>(LowerAscii(a[i]));
        unsigned char cb = static_cast<unsigned char>(LowerAscii(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == '\0')
            return 0;
    }
    return 0;
}

int CompareNoCase(const char* a, const char* b)
{
    return CompareNoCaseN(a, b, static_cast<size_t>(-1));
}

size_t BoundedLength(const char* text, size_t maxLength)
{
    const void* end = std::memchr(text, '\0', maxLength);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - text) : maxLength;
}
