// The registry routines under Wine's real registry, on a scratch key of the current user's own
// (the shared prefix's machine keys belong to other tests): whole reads with their bound, the
// value list, and deletion of values and keys.
#include <doctest.h>
#include <windows.h>

#include <string>

#include "platform/registry.h"
#include "tests/lib/wine_registry.h"

namespace {

const char kScratch[] = "Software\\tvx registry test";
const char kScratchChild[] = "Software\\tvx registry test\\child";

// Starts each case from an empty scratch key.
void ClearScratch()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratchChild);
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratch);
}

}  // namespace

TEST_CASE("ReadRegistryString reads any type whole, terminated, within its bound")
{
    ClearScratch();
    struct Row {
        const char* label;
        std::string data;
        DWORD type;
        int expected;
    };
    const Row rows[] = {
        {"string", "C:\\A.EXE", REG_SZ, 1},
        {"empty string", "", REG_SZ, 1},
        {"binary without terminator", "ABCDEFGH", REG_BINARY, 1},
        {"at the size bound", std::string(kMaxRegistryDataSize - 1, 'x'), REG_SZ, 1},
        {"one byte over the bound", std::string(kMaxRegistryDataSize, 'x'), REG_SZ, 0},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        SetValue(HKEY_CURRENT_USER, kScratch, "tvxread", row.data, row.type);
        RegistryData data;
        CHECK(ReadRegistryString(HKEY_CURRENT_USER, kScratch, "tvxread", data) == row.expected);
        if (row.expected == 1)
            CHECK(std::string(data.Text()) == row.data);
    }
    RegistryData data;
    CHECK(ReadRegistryString(HKEY_CURRENT_USER, kScratch, "tvxnosuchvalue", data) == 0);
    CHECK(ReadRegistryString(HKEY_CURRENT_USER, "Software\\tvx no such key", "x", data) == 0);
    CHECK(DeleteRegistryValue(HKEY_CURRENT_USER, kScratch, "tvxnosuchvalue") == 0);
    CHECK(DeleteRegistryValue(HKEY_CURRENT_USER, "Software\\tvx no such key", "x") == 0);
}

TEST_CASE("values are listed by count and name, and a deleted one leaves the list")
{
    ClearScratch();
    SetValue(HKEY_CURRENT_USER, kScratch, "first", "1");
    SetValue(HKEY_CURRENT_USER, kScratch, "second", "2");
    CHECK(DeleteRegistryValue(HKEY_CURRENT_USER, kScratch, "first") == 1);
    CHECK_FALSE(HasValue(HKEY_CURRENT_USER, kScratch, "first"));

    ScopedRegistryKey key;
    CHECK(OpenRegistryKey(HKEY_CURRENT_USER, kScratch, KEY_READ, key));
    DWORD count = 0;
    CHECK(CountRegistryValues(key.Get(), &count));
    CHECK(count == 1);
    char name[kValueNameChars + 1] = "";
    CHECK(RegistryValueName(key.Get(), 0, name));
    CHECK(std::string(name) == "second");
    CHECK_FALSE(RegistryValueName(key.Get(), 1, name));
}

TEST_CASE("a key without subkeys is deleted; a missing one is not")
{
    ClearScratch();
    SetValue(HKEY_CURRENT_USER, kScratchChild, "x", "1");
    CHECK(DeleteRegistryKey(HKEY_CURRENT_USER, kScratchChild) == 1);
    ScopedRegistryKey key;
    CHECK_FALSE(OpenRegistryKey(HKEY_CURRENT_USER, kScratchChild, KEY_READ, key));
    CHECK(DeleteRegistryKey(HKEY_CURRENT_USER, kScratchChild) == 0);
}
