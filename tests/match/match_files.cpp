// Runs the signature and mail matchers over every file under the given folders (read in place)
// and reports any match: the false-positive check over real Windows binaries.
//   match_files [--any-length] PATH...
// --any-length also tries every record with its length test relaxed, so that the byte runs
// themselves are compared in every PE file. Exit 0 when nothing matched, 1 on a match, 2 on usage.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "match/mail_match.h"
#include "match/signature_match.h"

namespace {

class StdioReader : public ByteReader {
public:
    explicit StdioReader(FILE* file) : m_file(file) {}
    int64_t Length() override
    {
        if (std::fseek(m_file, 0, SEEK_END) != 0)
            return -1;
        return std::ftell(m_file);
    }
    int32_t ReadAt(int64_t offset, void* buffer, int32_t count) override
    {
        if (offset < 0 || offset > INT32_MAX || count < 0)
            return -1;
        if (std::fseek(m_file, static_cast<long>(offset), SEEK_SET) != 0)
            return -1;
        return static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(count), m_file));
    }

private:
    FILE* m_file;
};

struct Totals {
    int files = 0;
    int peFiles = 0;
    int matches = 0;
};

std::vector<SignatureRecord> g_anyLengthTable;
MailRecord g_plainMail[kMailRecordCount];

void CheckFile(const std::string& path, Totals& totals)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return;
    StdioReader reader(file);
    ++totals.files;
    PeImageInfo info;
    info.fileLength = 0;
    if (ReadPeHeaders(reader, info))
        ++totals.peFiles;
    int index = MatchSignatureTable(reader, kSignatureTable, info);
    if (index >= 0) {
        std::printf("MATCH %s: row %d %s\n", path.c_str(), index + 1, kSignatureTable[index].name);
        ++totals.matches;
    }
    if (!g_anyLengthTable.empty()) {
        index = MatchSignatureTable(reader, g_anyLengthTable.data(), info);
        if (index >= 0) {
            std::printf("MATCH (any length) %s: row %d %s\n", path.c_str(), index + 1, kSignatureTable[index].name);
            ++totals.matches;
        }
    }
    MailWindows windows;
    if (MatchMailRecordTable(reader, g_plainMail, kMailRecordCount, windows) >= 0) {
        std::printf("MATCH (mail) %s\n", path.c_str());
        ++totals.matches;
    }
    std::fclose(file);
}

void Walk(const std::string& path, Totals& totals, int depth)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || depth > 16)
        return;
    if (S_ISREG(st.st_mode)) {
        CheckFile(path, totals);
        return;
    }
    if (!S_ISDIR(st.st_mode))
        return;
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr)
        return;
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        Walk(path + "/" + entry->d_name, totals, depth + 1);
    }
    closedir(dir);
}

}  // namespace

int main(int argc, char** argv)
{
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--any-length") == 0) {
        for (int i = 0; kSignatureTable[i].name[0] != '\0'; ++i) {
            g_anyLengthTable.push_back(kSignatureTable[i]);
            g_anyLengthTable.back().sizeRule = static_cast<int32_t>(SizeRule::Any);
        }
        g_anyLengthTable.push_back(SignatureRecord());
        first = 2;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: match_files [--any-length] PATH...\n");
        return 2;
    }
    std::memcpy(g_plainMail, g_mailRecords, sizeof(g_plainMail));
    UnscrambleMailPatterns(g_plainMail, kMailRecordCount);
    Totals totals;
    for (int i = first; i < argc; ++i)
        Walk(argv[i], totals, 0);
    std::printf("%d files, %d PE files, %d matches\n", totals.files, totals.peFiles, totals.matches);
    return totals.matches == 0 ? 0 : 1;
}
