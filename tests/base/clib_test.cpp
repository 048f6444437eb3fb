// Our C-library routines and bounded text helpers against the host C library, case by case, with
// every destination size from 0 to one past the whole text.
#include <doctest.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/clib.h"
#include "base/text.h"

#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

namespace {

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

int Ours(char* dest, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int result = FormatBounded(dest, size, format, args);
    va_end(args);
    return result;
}

// One row of the formatting table: ours and the host's snprintf give the same length and the same
// bytes, untouched ones past the end included, at every buffer size.
template <typename... Args>
void CheckFormat(const char* format, Args... args)
{
    INFO("format \"" << format << "\"");
    int whole = std::snprintf(nullptr, 0, format, args...);
    CHECK(whole >= 0);
    CHECK(whole < 250);
    if (whole < 0 || whole >= 250)
        return;  // no REQUIRE: this build has no exceptions
    for (size_t size = 0; size <= static_cast<size_t>(whole) + 1; ++size) {
        CAPTURE(size);
        char host[256];
        char ours[256];
        std::memset(host, '#', sizeof(host));
        std::memset(ours, '#', sizeof(ours));
        CHECK(Ours(ours, size, format, args...) == std::snprintf(host, size, format, args...));
        CHECK(std::memcmp(ours, host, sizeof(host)) == 0);
        // FormatText reports truncation exactly when the host's text did not fit.
        if (size > 0) {
            char text[256];
            CHECK(FormatText(text, size, format, args...) == (static_cast<size_t>(whole) < size));
            CHECK(std::string(text) == std::string(host));
        }
    }
}

}  // namespace

TEST_CASE("formatting matches the host library for every conversion the product uses")
{
    CheckFormat("plain text, no conversion");
    CheckFormat("%s", "");
    CheckFormat("%s", "abc");
    CheckFormat("%s     %s removed", "C:\\WINDOWS\\SYSTEM\\kernel32.exe", "W32/KYR.Fr.PSW.Trojan");
    CheckFormat("%s%s%s%s", "Tarvex Ver 1.0", " - Tool to detect and remove all the variants of ", "W32/KYR", " Trojan");
    CheckFormat("%s*.*", "C:\\");
    CheckFormat("Total files scanned\t\t:  %d", 748);
    CheckFormat("%d", 0);
    CheckFormat("%d|%d", -1, 12345);
    CheckFormat("%d %d", INT_MIN, INT_MAX);
    CheckFormat("%i", -77);
    CheckFormat("%u %u", 0u, UINT_MAX);
    CheckFormat("%x %X", 0xabcdefu, 0xabcdefu);
    CheckFormat("%s\\%03x", "software\\microsoft\\windows nt\\currentversion\\perflib", 9u);
    CheckFormat("%03x|%03x", 0x1234u, 0u);
    CheckFormat("[%5d][%-5d][%05d][%-05d]", 42, 42, -42, 7);
    CheckFormat("[%8s][%-8s][%2s]", "ab", "ab", "abcd");
    CheckFormat("[%c][%3c][%-3c]", 'A', 'z', 'q');
    CheckFormat("100%% sure");
    CheckFormat("%stvx-engine-%lu", "C:\\TEMP\\", 4294967295ul);
    CheckFormat("%ld %lx %lu", -5L, 0xdeadbeeful, 0ul);
    CheckFormat("SELECTED %d", -1);
}

TEST_CASE("a conversion the formatter does not know fails, terminated")
{
    struct Case {
        const char* format;
        const char* kept;  // what stands in the buffer after the failure
    };
    const Case cases[] = {{"ab%f", "ab"}, {"ab%", "ab"}, {"%lld", ""}, {"x%.3s", "x"}};
    for (const Case& c : cases) {
        INFO(c.format);
        char text[16];
        std::memset(text, '#', sizeof(text));
        CHECK(Ours(text, sizeof(text), c.format, 1) == -1);
        CHECK(std::string(text) == c.kept);
        CHECK_FALSE(FormatText(text, sizeof(text), c.format, 1));
        CHECK(text[0] == '\0');
    }
    char text[16];
    CHECK(Ours(text, sizeof(text), "%s", static_cast<const char*>(nullptr)) == 6);
    CHECK(std::string(text) == "(null)");
}

TEST_CASE("string and memory routines match the host library on a table of texts")
{
    const char* const texts[] = {"", "a", "abc", "abd", "ab", "C:\\WINDOWS\\file.exe", "a.b.c.", "aaaa", "aa",
                                 "\xff\x80x", "x", "\\", ".exe"};
    const char chars[] = {'a', '.', '\\', '\0', 'x', '\xff', 'Q'};
    for (const char* t : texts) {
        INFO("text \"" << t << "\"");
        size_t length = std::strlen(t);
        CHECK(TextLength(t) == length);
        for (char c : chars) {
            CAPTURE(static_cast<int>(c));
            CHECK(TextFindChar(t, c) == std::strchr(t, c));
            CHECK(TextFindLastChar(t, c) == std::strrchr(t, c));
            for (size_t n = 0; n <= length + 1; ++n)
                CHECK(MemFindByte(t, c, n) == std::memchr(t, c, n));
        }
        for (const char* u : texts) {
            INFO("other \"" << u << "\"");
            CHECK(TextFindText(t, u) == std::strstr(t, u));
            size_t common = std::strlen(u) < length ? std::strlen(u) : length;
            for (size_t n = 0; n <= length + 2; ++n) {
                CAPTURE(n);
                CHECK(Sign(TextCompareN(t, u, n)) == Sign(std::strncmp(t, u, n)));
                if (n <= common + 1)
                    CHECK(Sign(MemCompare(t, u, n)) == Sign(std::memcmp(t, u, n)));
            }
        }
    }
}

TEST_CASE("copy, move and fill match the host library at every size and overlap")
{
    unsigned char source[40];
    for (size_t i = 0; i < sizeof(source); ++i)
        source[i] = static_cast<unsigned char>(i * 37 + 1);
    for (size_t count = 0; count <= 17; ++count) {
        CAPTURE(count);
        unsigned char ours[40];
        unsigned char host[40];
        std::memset(ours, 0xAA, sizeof(ours));
        std::memset(host, 0xAA, sizeof(host));
        CHECK(MemCopy(ours + 3, source, count) == ours + 3);
        std::memcpy(host + 3, source, count);
        CHECK(std::memcmp(ours, host, sizeof(ours)) == 0);

        CHECK(MemFill(ours + 1, 0x1FF, count) == ours + 1);  // only the low byte is stored
        std::memset(host + 1, 0x1FF, count);
        CHECK(std::memcmp(ours, host, sizeof(ours)) == 0);

        for (int shift = -5; shift <= 5; ++shift) {
            CAPTURE(shift);
            std::memcpy(ours, source, sizeof(ours));
            std::memcpy(host, source, sizeof(host));
            CHECK(MemMove(ours + 10 + shift, ours + 10, count) == ours + 10 + shift);
            std::memmove(host + 10 + shift, host + 10, count);
            CHECK(std::memcmp(ours, host, sizeof(ours)) == 0);
        }
    }
}

TEST_CASE("number parsing matches the host's strtoul, saturated to 32 bits")
{
    struct Case {
        const char* text;
        int base;
        bool overflows;  // the magnitude needs more than 32 bits: ours gives UINT32_MAX
    };
    const Case cases[] = {
        {"0", 10, false},          {"42", 10, false},         {"  17 rest", 10, false}, {"\t\n 8x", 10, false},
        {"+5", 10, false},         {"-1", 10, false},         {"-5", 10, false},        {"4294967295", 10, false},
        {"4294967296", 10, true},  {"99999999999", 10, true}, {"-4294967296", 10, true}, {"", 10, false},
        {"abc", 10, false},        {"-", 10, false},          {"+x", 10, false},        {"0x1f", 16, false},
        {"0x1f", 0, false},        {"0X1F", 16, false},       {"0x", 16, false},        {"0xg", 0, false},
        {"017", 0, false},         {"019", 0, false},         {"ffffffff", 16, false},  {"100000000", 16, true},
        {"zz", 36, false},         {"1234", 3, false},
        {"000000000000000000042", 10, false},
    };
    for (const Case& c : cases) {
        INFO("text \"" << c.text << "\" base " << c.base);
        char* hostEnd = nullptr;
        errno = 0;
        unsigned long host = std::strtoul(c.text, &hostEnd, c.base);
        const char* ourEnd = nullptr;
        uint32_t ours = ParseUnsigned(c.text, &ourEnd, c.base);
        CHECK(ours == (c.overflows ? UINT32_MAX : static_cast<uint32_t>(host)));
        CHECK(ourEnd == hostEnd);
        CHECK(ParseUnsigned(c.text, nullptr, c.base) == ours);
    }
}

TEST_CASE("copying and appending truncate like the host's snprintf at every size")
{
    const char* const sources[] = {"", "a", "abcdef", "C:\\WINDOWS\\wininit.ini"};
    const char* const heads[] = {"", "ab"};
    for (const char* src : sources) {
        INFO("source \"" << src << "\"");
        size_t length = std::strlen(src);
        for (size_t size = 1; size <= length + 4; ++size) {
            CAPTURE(size);
            char expected[64];
            char text[64];
            std::snprintf(expected, size, "%s", src);
            CHECK(CopyText(text, size, src) == (length < size));
            CHECK(std::string(text) == expected);
            CHECK(CopyTextN(text, size, src, 3) == ((length < 3 ? length : 3) < size));
            CHECK(std::string(text) == std::string(expected).substr(0, 3));
            for (const char* head : heads) {
                INFO("head \"" << head << "\"");
                if (std::strlen(head) >= size)
                    continue;
                CopyText(text, size, head);
                std::snprintf(expected, size, "%s%s", head, src);
                CHECK(AppendText(text, size, src) == (std::strlen(head) + length < size));
                CHECK(std::string(text) == expected);
            }
        }
    }
}
