// The spellings of System32, SysWOW64 and Sysnative paths under WOW64, and that nothing changes
// without it.
#include <doctest.h>

#include <cstring>
#include <string>

#include "run/system_folders.h"
#include "base/text.h"

namespace {

Wow64View MakeView(bool active, const char* folder, const char* shortFolder)
{
    Wow64View view;
    std::memset(&view, 0, sizeof(view));
    view.active = active;
    CopyText(view.windowsFolder, sizeof(view.windowsFolder), folder);
    CopyText(view.windowsFolderShort, sizeof(view.windowsFolderShort), shortFolder);
    return view;
}

const Wow64View kWow64 = MakeView(true, "C:\\Windows", "C:\\WINDOWS~1");
const Wow64View kNoWow64 = MakeView(false, "C:\\Windows", "C:\\WINDOWS~1");

}  // namespace

TEST_CASE("File calls reach the real System32 through Sysnative; shown paths name it System32")
{
    struct Row {
        const char* label;
        const Wow64View* view;
        const char* path;
        const char* fileCall;
        const char* native;
    } rows[] = {
        {"system32 file", &kWow64, "C:\\Windows\\System32\\x.exe", "C:\\Windows\\Sysnative\\x.exe",
         "C:\\Windows\\System32\\x.exe"},
        {"any case", &kWow64, "c:\\WINDOWS\\system32\\drivers\\a.sys", "c:\\WINDOWS\\Sysnative\\drivers\\a.sys",
         "c:\\WINDOWS\\system32\\drivers\\a.sys"},
        {"walk pattern", &kWow64, "C:\\Windows\\System32\\*.*", "C:\\Windows\\Sysnative\\*.*",
         "C:\\Windows\\System32\\*.*"},
        {"folder itself", &kWow64, "C:\\Windows\\system32", "C:\\Windows\\Sysnative", "C:\\Windows\\system32"},
        {"short Windows folder", &kWow64, "C:\\WINDOWS~1\\SYSTEM32\\X.EXE", "C:\\WINDOWS~1\\Sysnative\\X.EXE",
         "C:\\WINDOWS~1\\SYSTEM32\\X.EXE"},
        {"sysnative shown as system32", &kWow64, "C:\\Windows\\sysnative\\x.exe", "C:\\Windows\\sysnative\\x.exe",
         "C:\\Windows\\System32\\x.exe"},
        {"syswow64 is not redirected", &kWow64, "C:\\Windows\\SysWOW64\\y.exe", "C:\\Windows\\SysWOW64\\y.exe",
         "C:\\Windows\\SysWOW64\\y.exe"},
        {"longer folder name is another folder", &kWow64, "C:\\Windows\\System32x\\y.exe",
         "C:\\Windows\\System32x\\y.exe", "C:\\Windows\\System32x\\y.exe"},
        {"not in the Windows folder", &kWow64, "C:\\plain\\System32\\z.exe", "C:\\plain\\System32\\z.exe",
         "C:\\plain\\System32\\z.exe"},
        {"another drive", &kWow64, "D:\\Windows\\System32\\z.exe", "D:\\Windows\\System32\\z.exe",
         "D:\\Windows\\System32\\z.exe"},
        {"Windows folder name only begins", &kWow64, "C:\\Windows2\\System32\\z.exe", "C:\\Windows2\\System32\\z.exe",
         "C:\\Windows2\\System32\\z.exe"},
        {"no WOW64: unchanged", &kNoWow64, "C:\\Windows\\System32\\x.exe", "C:\\Windows\\System32\\x.exe",
         "C:\\Windows\\System32\\x.exe"},
        {"no WOW64: sysnative left alone", &kNoWow64, "C:\\Windows\\Sysnative\\x.exe", "C:\\Windows\\Sysnative\\x.exe",
         "C:\\Windows\\Sysnative\\x.exe"},
    };
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        char out[kPathSize];
        CHECK(FileCallSpelling(row.path, *row.view, out, sizeof(out)));
        CHECK(std::string(out) == row.fileCall);
        CHECK(NativeSpelling(row.path, *row.view, out, sizeof(out)));
        CHECK(std::string(out) == row.native);
    }
}

TEST_CASE("An empty short Windows folder matches nothing")
{
    const Wow64View view = MakeView(true, "C:\\Windows", "");
    CHECK(FindSystemFolder("\\System32\\x.exe", view).folder == kNoSystemFolder);
    CHECK(FindSystemFolder("C:\\Windows\\System32\\x.exe", view).folder == kSystem32);
}

TEST_CASE("A respelt path that does not fit is refused, never cut")
{
    // "System32" (8) becomes "Sysnative" (9): a path that fits exactly grows by one byte.
    std::string path = "C:\\Windows\\System32\\" + std::string(kPathSize - 1 - 20, 'a');
    CHECK(path.size() == kPathSize - 1);
    char out[kPathSize];
    std::memset(out, '#', sizeof(out));
    CHECK_FALSE(FileCallSpelling(path.c_str(), kWow64, out, sizeof(out)));
    CHECK(out[0] == '\0');
    char big[kPathSize + 1];
    CHECK(FileCallSpelling(path.c_str(), kWow64, big, sizeof(big)));
    CHECK(std::strlen(big) == kPathSize);
    CHECK(NativeSpelling(big, kWow64, out, sizeof(out)));
    CHECK(std::string(out) == path);
}

TEST_CASE("Autostart values name a file as a program reading that registry view resolves them")
{
    struct Row {
        const char* label;
        const Wow64View* view;
        RegistryView registryView;
        const char* nativePath;
        std::string expected;  // the spellings, '|' between them
    } rows[] = {
        {"system32 file, 64-bit view", &kWow64, kView64, "c:\\windows\\system32\\x.exe", "c:\\windows\\system32\\x.exe"},
        {"system32 file, 32-bit view: only the alias", &kWow64, kView32, "c:\\windows\\system32\\x.exe",
         "c:\\windows\\Sysnative\\x.exe"},
        {"syswow64 file, 64-bit view", &kWow64, kView64, "c:\\windows\\syswow64\\y.exe", "c:\\windows\\syswow64\\y.exe"},
        {"syswow64 file, 32-bit view: also as system32", &kWow64, kView32, "c:\\windows\\syswow64\\y.exe",
         "c:\\windows\\syswow64\\y.exe|c:\\windows\\System32\\y.exe"},
        {"short syswow64 spelling, 32-bit view", &kWow64, kView32, "c:\\windows~1\\syswow64\\y.exe",
         "c:\\windows~1\\syswow64\\y.exe|c:\\windows~1\\System32\\y.exe"},
        {"other file, both views", &kWow64, kView32, "c:\\plain\\z.exe", "c:\\plain\\z.exe"},
        {"32-bit Windows", &kNoWow64, kViewOnly, "c:\\windows\\system32\\x.exe", "c:\\windows\\system32\\x.exe"},
    };
    for (const Row& row : rows) {
        INFO("row: " << row.label);
        char out[kMaxViewSpellings][kPathSize];
        int count = ViewSpellings(row.nativePath, *row.view, row.registryView, out);
        std::string joined;
        for (int i = 0; i < count; ++i)
            joined += (i == 0 ? "" : "|") + std::string(out[i]);
        CHECK(joined == row.expected);
    }
}
