// The product's own copies of the C-library routines it uses (portable: no Win32, no C library).
// Built with loop-pattern replacement off (base/module.mk): the compiler must not turn these loops
// back into calls to memcpy or memset, which are these very routines in the release exe.
#include "base/clib.h"

void* MemCopy(void* dest, const void* src, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(dest);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    for (size_t i = 0; i < count; ++i)
        d[i] = s[i];
    return dest;
}

void* MemMove(void* dest, const void* src, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(dest);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    if (d < s) {
        for (size_t i = 0; i < count; ++i)
            d[i] = s[i];
    } else {
        for (size_t i = count; i > 0; --i)
            d[i - 1] = s[i - 1];
    }
    return dest;
}

void* MemFill(void* dest, int value, size_t count)
{
    unsigned char* d = static_cast<unsigned char*>(dest);
    for (size_t i = 0; i < count; ++i)
        d[i] = static_cast<unsigned char>(value);
    return dest;
}

int MemCompare(const void* a, const void* b, size_t count)
{
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (size_t i = 0; i < count; ++i) {
        if (x[i] != y[i])
            return x[i] < y[i] ? -1 : 1;
    }
    return 0;
}

const void* MemFindByte(const void* data, int value, size_t count)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < count; ++i) {
        if (p[i] == static_cast<unsigned char>(value))
            return p + i;
    }
    return nullptr;
}

size_t TextLength(const char* text)
{
    size_t n = 0;
    while (text[n] != '\0')
        ++n;
    return n;
}

const char* TextFindChar(const char* text, int c)
{
    for (;; ++text) {
        if (*text == static_cast<char>(c))
            return text;
        if (*text == '\0')
            return nullptr;
    }
}

const char* TextFindLastChar(const char* text, int c)
{
    const char* found = nullptr;
    for (;; ++text) {
        if (*text == static_cast<char>(c))
            found = text;
        if (*text == '\0')
            return found;
    }
}

const char* TextFindText(const char* text, const char* part)
{
    size_t partLength = TextLength(part);
    for (; *text != '\0' || partLength == 0; ++text) {
        if (TextCompareN(text, part, partLength) == 0)
            return text;
    }
    return nullptr;
}

int TextCompareN(const char* a, const char* b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
        if (x == '\0')
            return 0;
    }
    return 0;
}

namespace {

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

}  // namespace

uint32_t ParseUnsigned(const char* text, const char** end, int base)
{
    const char* p = text;
    if (end != nullptr)
        *end = text;  // no digits: nothing is used
    if (base < 0 || base == 1 || base > 36)
        return 0;
    while (IsBlank(*p))
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if ((base == 0 || base == 16) && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && DigitValue(p[2]) < 16) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == '0' ? 8 : 10;
    }
    uint32_t value = 0;
    bool overflow = false;
    const char* digits = p;
    for (int d; (d = DigitValue(*p)) < base; ++p) {
        uint32_t ubase = static_cast<uint32_t>(base);
        uint32_t ud = static_cast<uint32_t>(d);
        if (value > (UINT32_MAX - ud) / ubase)
            overflow = true;
        else
            value = value * ubase + ud;
    }
    if (p == digits)
        return 0;
    if (end != nullptr)
        *end = p;
    if (overflow)
        return UINT32_MAX;
    return negative ? 0u - value : value;
}

namespace {

// Output that counts every byte the whole text needs and keeps what fits, leaving room for the
// terminator.
struct BoundedOut {
    char* dest;
    size_t size;
    size_t length;
    void Put(char c)
    {
        if (length + 1 < size)
            dest[length] = c;
        ++length;
    }
    void Repeat(char c, int count)
    {
        for (int i = 0; i < count; ++i)
            Put(c);
    }
};

// One conversion's text laid into its field: sign, then zero padding, then digits, or the whole
// text padded with blanks on the left or, with '-', on the right.
void PutField(BoundedOut& out, const char* text, size_t length, char sign, int width, bool left, bool zero)
{
    int pad = width - static_cast<int>(length) - (sign != '\0' ? 1 : 0);
    if (pad < 0)
        pad = 0;
    if (!left && !zero)
        out.Repeat(' ', pad);
    if (sign != '\0')
        out.Put(sign);
    if (!left && zero)
        out.Repeat('0', pad);
    for (size_t i = 0; i < length; ++i)
        out.Put(text[i]);
    if (left)
        out.Repeat(' ', pad);
}

// Digits of value in base 10 or 16, into the end of digits[]; returns the first.
char* UnsignedDigits(unsigned long value, unsigned base, bool upper, char* end)
{
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char* p = end;
    do {
        *--p = set[value % base];
        value /= base;
    } while (value != 0);
    return p;
}

}  // namespace

int FormatBounded(char* dest, size_t destSize, const char* format, va_list args)
{
    BoundedOut out = {dest, destSize, 0};
    int result = 0;
    for (const char* f = format; *f != '\0'; ++f) {
        if (*f != '%') {
            out.Put(*f);
            continue;
        }
        ++f;
        bool left = false;
        bool zero = false;
        for (; *f == '-' || *f == '0'; ++f) {
            if (*f == '-')
                left = true;
            else
                zero = true;
        }
        int width = 0;
        for (; *f >= '0' && *f <= '9'; ++f) {
            if (width < 4096)  // a field wider than any buffer of ours is a format mistake
                width = width * 10 + (*f - '0');
        }
        bool isLong = *f == 'l';
        if (isLong)
            ++f;
        char digits[32];
        char* digitsEnd = digits + sizeof(digits);
        switch (*f) {
        case '%':
            out.Put('%');
            break;
        case 'c': {
            char c = static_cast<char>(va_arg(args, int));
            PutField(out, &c, 1, '\0', width, left, false);
            break;
        }
        case 's': {
            const char* text = va_arg(args, const char*);
            if (text == nullptr)
                text = "(null)";
            PutField(out, text, TextLength(text), '\0', width, left, false);
            break;
        }
        case 'd':
        case 'i': {
            long value = isLong ? va_arg(args, long) : va_arg(args, int);
            // Negated as unsigned so that the most negative value has a magnitude too.
            unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
            char* first = UnsignedDigits(magnitude, 10, false, digitsEnd);
            PutField(out, first, static_cast<size_t>(digitsEnd - first), value < 0 ? '-' : '\0', width, left, zero);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned long value = isLong ? va_arg(args, unsigned long) : va_arg(args, unsigned);
            char* first = UnsignedDigits(value, *f == 'u' ? 10 : 16, *f == 'X', digitsEnd);
            PutField(out, first, static_cast<size_t>(digitsEnd - first), '\0', width, left, zero);
            break;
        }
        default:
            result = -1;
            break;
        }
        if (result < 0)
            break;  // an unknown conversion, or a '%' that ends the format
    }
    if (destSize > 0)
        dest[out.length < destSize ? out.length : destSize - 1] = '\0';
    if (result < 0)
        return -1;
    return static_cast<int>(out.length);
}
