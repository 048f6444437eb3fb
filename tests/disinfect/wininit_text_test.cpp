// wininit.ini rewriting: where the [rename] entry lands, and that nothing old is lost or changed.
#include <doctest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "disinfect/wininit_text.h"
#include "tests/lib/string_sink.h"

namespace {

bool Rewrite(const std::string& old, std::string& result, const char* file = "C:\\WINDOWS\\MSSYS~1.EXE")
{
    MemoryReader reader(old.data(), old.size());
    StringSink sink;
    bool ok = RewriteWininitText(reader, "NUL", file, sink);
    result = sink.text;
    return ok;
}

const char kEntry[] = "NUL=C:\\WINDOWS\\MSSYS~1.EXE\r\n";

}  // namespace

TEST_CASE("the entry lands as the last line of the rename section")
{
    const std::string entry = kEntry;
    struct Row {
        const char* label;
        std::string old;
        std::string expected;
    };
    const Row rows[] = {
        {"no file yet (empty text)", "", "[rename]\r\n" + entry},
        {"[Rename] in another case, then [Other]", "[Rename]\r\nNUL=C:\\A.EXE\r\n[Other]\r\nx=1\r\n",
         "[Rename]\r\nNUL=C:\\A.EXE\r\n" + entry + "[Other]\r\nx=1\r\n"},
        {"[rename] is the last section", "[boot]\r\na=b\r\n[rename]\r\nNUL=C:\\A.EXE\r\n",
         "[boot]\r\na=b\r\n[rename]\r\nNUL=C:\\A.EXE\r\n" + entry},
        {"no [rename] section", "[boot]\r\na=b\r\n", "[boot]\r\na=b\r\n[rename]\r\n" + entry},
        {"last line without a line end", "[boot]\r\na=b", "[boot]\r\na=b\r\n[rename]\r\n" + entry},
        {"unended [rename] header", "[RENAME]", "[RENAME]\r\n" + entry},
        {"last line ends in a lone CR", "[rename]\r\nx\r", "[rename]\r\nx\r\n" + entry},
        {"LF line ends are kept as they are", "[rename]\nNUL=C:\\A.EXE\n[x]\n",
         "[rename]\nNUL=C:\\A.EXE\n" + entry + "[x]\n"},
        {"empty [rename] directly before the next header", "[rename]\r\n[x]\r\n", "[rename]\r\n" + entry + "[x]\r\n"},
        {"only the first [rename] section gets the entry", "[rename]\r\n[rename]\r\n",
         "[rename]\r\n" + entry + "[rename]\r\n"},
        {"header after 8 characters is matched by its start", "[rename] ; note\r\n[x]\r\n",
         "[rename] ; note\r\n" + entry + "[x]\r\n"},
        {"indented header is not a header", " [rename]\r\n", " [rename]\r\n[rename]\r\n" + entry},
        {"short line [ren is not a header", "[ren\r\n", "[ren\r\n[rename]\r\n" + entry},
        {"Ctrl-Z and NUL bytes are kept", std::string("[rename]\r\na\x1a\0b\r\n", 16),
         std::string("[rename]\r\na\x1a\0b\r\n", 16) + entry},
        {"last byte NUL still ends the line first", std::string("a\0", 2), std::string("a\0\r\n[rename]\r\n", 14) + entry},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        std::string result;
        CHECK(Rewrite(row.old, result));
        CHECK(result == row.expected);
    }
}

TEST_CASE("lines longer than 647 characters stay whole")
{
    // A 647-byte reader would deliver the tail of this line as a line of its own that begins with
    // '[' and put the entry in the middle of it.
    std::string longLine = "NUL=C:\\" + std::string(640, 'a');
    longLine.resize(647, 'b');
    longLine += "[tail]\r\n";
    std::string old = "[rename]\r\n" + longLine + "[x]\r\n";
    std::string result;
    CHECK(Rewrite(old, result));
    CHECK(result == "[rename]\r\n" + longLine + kEntry + "[x]\r\n");

    // A header found by its first bytes on a line longer than a reader's chunk.
    std::string huge = "[rename]" + std::string(10000, 'z') + "\r\n[x]\r\n";
    CHECK(Rewrite(huge, result));
    CHECK(result == "[rename]" + std::string(10000, 'z') + "\r\n" + kEntry + "[x]\r\n");
}

TEST_CASE("a short write stops the rewrite with false")
{
    const std::string old = "[rename]\r\nNUL=C:\\A.EXE\r\n[x]\r\n";
    std::string full;
    CHECK(Rewrite(old, full));
    for (size_t limit = 0; limit < full.size(); ++limit) {
        INFO("limit " << limit);
        MemoryReader reader(old.data(), old.size());
        StringSink sink(limit);
        CHECK_FALSE(RewriteWininitText(reader, "NUL", "C:\\WINDOWS\\MSSYS~1.EXE", sink));
    }
}

TEST_CASE("an unreadable old text is not rewritten")
{
    class BrokenReader : public ByteReader {
    public:
        int64_t Length() override { return length; }
        int32_t ReadAt(int64_t, void*, int32_t) override { return -1; }
        int64_t length = 10;
    } reader;
    StringSink sink;
    CHECK_FALSE(RewriteWininitText(reader, "NUL", "C:\\X", sink));
    reader.length = -1;
    CHECK_FALSE(RewriteWininitText(reader, "NUL", "C:\\X", sink));
    CHECK(sink.text.empty());
}

// Independent oracle: split into lines (keeping their ends) and walk them the simple way.
static std::string Oracle(const std::string& old)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < old.size()) {
        size_t end = old.find('\n', start);
        end = end == std::string::npos ? old.size() : end + 1;
        lines.push_back(old.substr(start, end - start));
        start = end;
    }
    std::string out;
    bool inSection = false;
    bool inserted = false;
    for (const std::string& line : lines) {
        if (!inserted) {
            std::string head = line.substr(0, 8);
            for (char& c : head)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (!inSection && head == "[rename]")
                inSection = true;
            else if (inSection && line[0] == '[') {
                out += kEntry;
                inserted = true;
            }
        }
        out += line;
    }
    if (!inserted) {
        if (!old.empty() && old.back() == '\r')
            out += "\n";
        else if (!old.empty() && old.back() != '\n')
            out += "\r\n";
        if (!inSection)
            out += "[rename]\r\n";
        out += kEntry;
    }
    return out;
}

TEST_CASE("generated files keep every old byte in order and gain exactly one entry")
{
    const char* const pieces[] = {"[rename]", "[RENAME]", "[ReNaMe]", "[Other]", "[", "]", "NUL=C:\\A.EXE",
                                  "\r\n", "\n", "\r", "a", "=", " ", "\x1a", "[renam", "e]"};
    const size_t pieceCount = sizeof(pieces) / sizeof(pieces[0]);
    std::mt19937 random(20261210);
    const std::string entry = kEntry;
    for (int round = 0; round < 3000; ++round) {
        std::string old;
        int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            old += pieces[random() % pieceCount];
        if (round % 50 == 0)
            old += std::string(700 + random() % 700, 'q');
        std::string result;
        CHECK(Rewrite(old, result));
        INFO("old text: " << old);
        CHECK(result == Oracle(old));
        // The old text is the result with one contiguous added run taken out, and that run ends with
        // the entry and holds nothing else than an optional line end and an optional header.
        CHECK(result.size() > old.size());
        if (result.size() <= old.size())
            return;
        size_t prefix = 0;
        while (prefix < old.size() && result[prefix] == old[prefix])
            ++prefix;
        size_t added = result.size() - old.size();
        CHECK(result.compare(prefix + added, std::string::npos, old, prefix, std::string::npos) == 0);
        std::string run = result.substr(prefix, added);
        bool shapeOk = run == entry || run == "[rename]\r\n" + entry || run == "\r\n" + entry ||
                       run == "\n" + entry || run == "\r\n[rename]\r\n" + entry || run == "\n[rename]\r\n" + entry;
        CHECK(shapeOk);
    }
}
