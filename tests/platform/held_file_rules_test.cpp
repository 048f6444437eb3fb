// Acting on a matched file by path: when the open may skip links, which folder became a link, when
// a fresh open may be acted on, and what the step after the restart does with a moved file.
#include <doctest.h>

#include <set>
#include <string>
#include <vector>

#include "base/product.h"
#include "platform/held_file_rules.h"

TEST_CASE("the open skips links only where the system has them")
{
    struct Row {
        const char* label;
        int platform, ntVersion;
        bool links;
    } rows[] = {
        {"NT 4 may refuse the flag", kPlatformNt, kNtVersion4, false},
        {"2000 and XP", kPlatformNt, kNtVersion5, true},
        {"Vista and later", kPlatformNt, kNtVersionNone, true},
        {"95/98/ME", kPlatformWindows9x, kNtVersionNone, false},
        {"an unknown platform", kPlatformOther, kNtVersionNone, false},
        {"the version could not be read", kPlatformFailed, kNtVersionNone, false},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(LinksCanExist(row.platform, row.ntVersion) == row.links);
    }
}

namespace {

struct Folders {
    std::set<std::string> links;
    std::vector<std::string> asked;
};

bool IsListedLink(const char* folder, void* context)
{
    Folders& folders = *static_cast<Folders*>(context);
    folders.asked.push_back(folder);
    return folders.links.count(folder) != 0;
}

}  // namespace

TEST_CASE("the first folder of a path that has become a link")
{
    struct Row {
        const char* label;
        const char* path;
        std::set<std::string> links;
        const char* changed;  // "" when none
        std::vector<std::string> asked;
    } rows[] = {
        {"no link", "C:\\bait\\sub\\victim.dll", {}, "", {"C:\\bait", "C:\\bait\\sub"}},
        {"the file's own folder", "C:\\bait\\victim.dll", {"C:\\bait"}, "C:\\bait", {"C:\\bait"}},
        {"a folder higher up stops the look",
         "C:\\a\\b\\c\\f.exe",
         {"C:\\a\\b", "C:\\a\\b\\c"},
         "C:\\a\\b",
         {"C:\\a", "C:\\a\\b"}},
        {"a file in the root has no folder to ask about", "C:\\victim.dll", {}, "", {}},
        {"the file's own name is not asked about", "C:\\d\\victim.dll", {"C:\\d\\victim.dll"}, "", {"C:\\d"}},
        {"a share's root is not a folder of the path",
         "\\\\server\\share\\dir\\f.exe",
         {"\\\\server\\share"},
         "",
         {"\\\\server\\share\\dir"}},
        {"a relative path is asked about from its start", "dir\\f.exe", {"dir"}, "dir", {"dir"}},
        {"empty", "", {}, "", {}},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        Folders folders{row.links, {}};
        char changed[kPathSize] = "stale";
        bool found = FindLinkedFolder(row.path, IsListedLink, &folders, changed, sizeof(changed));
        CHECK(found == (row.changed[0] != '\0'));
        CHECK(std::string(changed) == row.changed);
        CHECK(folders.asked == row.asked);
    }
}

TEST_CASE("a path too long for the buffer is never cut into another folder's name")
{
    std::string path = "C:\\" + std::string(kPathSize, 'a') + "\\f.exe";
    Folders folders;
    char changed[kPathSize];
    CHECK_FALSE(FindLinkedFolder(path.c_str(), IsListedLink, &folders, changed, sizeof(changed)));
    CHECK(folders.asked.empty());
}

TEST_CASE("folders the walk does not enter count as links")
{
    struct Row {
        const char* label;
        unsigned long attributes, tag;
        bool link;
    } rows[] = {
        {"plain folder", 0x10, 0, false},
        {"junction", 0x410, 0xA0000003, true},
        {"directory symbolic link", 0x410, 0xA000000C, true},
        {"a reparse folder of unknown kind", 0x410, 0, true},
        {"a cloud placeholder folder is entered", 0x410, 0x9000001A, false},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(IsLinkFolder(row.attributes, row.tag) == row.link);
    }
}

TEST_CASE("a step after the matching handle was let go acts only on a file that matched again")
{
    CHECK(WhyLeftAfterReopen(true, true) == nullptr);
    CHECK(std::string(WhyLeftAfterReopen(true, false)) ==
          "the file at this path no longer matches (replaced or changed since it matched)");
    CHECK(std::string(WhyLeftAfterReopen(false, false)) == "the file at this path could not be opened to be matched again");
}
