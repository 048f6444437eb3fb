// Removes files and Run values the way the disposal and the autostart cleanup do once they keep
// what they remove: each is kept in the real quarantine under a scan ID, then deleted. Gives the
// scenarios a scan to undo with the real exe.
//   quarantine_plant.exe SCANID [file WINPATH]... [value KEY NAME]...
// KEY is "HKEY_LOCAL_MACHINE\..." in the program's own view. Prints one line per item.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "disinfect/quarantine_store.h"

namespace {

class PrintLines : public QuarantineLines {
public:
    void Line(const char* text) override { std::printf("line %s\n", text); }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    char root[MAX_PATH];
    PrintLines lines;
    QuarantineScan scan;
    if (!QuarantineRoot(root, sizeof(root), true) || !scan.Begin(root, argv[1], lines)) {
        std::printf("no quarantine\n");
        return 1;
    }
    static QuarantineRecord record;
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "file") == 0 && i + 1 < argc) {
            const char* path = argv[++i];
            bool kept = scan.KeepFile(path, path, path, record);
            lstrcpynA(record.detection, "W32/KYR.Test.Trojan", sizeof(record.detection));
            lstrcpynA(record.action, "delete", sizeof(record.action));
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
            bool removed = DeleteFileA(path) != 0;
            lstrcpynA(record.result, removed ? "removed" : "Unable to remove", sizeof(record.result));
            bool appended = scan.Append(record);
            std::printf("file %s kept %d removed %d recorded %d%s%s\n", path, kept, removed, appended,
                        kept ? "" : " why ", kept ? "" : record.notKept);
            status |= kept && removed && appended ? 0 : 1;
        } else if (std::strcmp(argv[i], "value") == 0 && i + 2 < argc) {
            const char* key = argv[++i];
            const char* name = argv[++i];
            bool read = scan.ReadValue(kViewOnly, key, name, record);
            lstrcpynA(record.detection, "W32/KYR.Trojan", sizeof(record.detection));
            lstrcpynA(record.action, "delete value", sizeof(record.action));
            HKEY opened;
            bool removed = RegOpenKeyExA(HKEY_LOCAL_MACHINE, LocalMachineSubkey(key), 0, KEY_SET_VALUE, &opened) ==
                           ERROR_SUCCESS;
            if (removed) {
                removed = RegDeleteValueA(opened, name) == ERROR_SUCCESS;
                RegCloseKey(opened);
            }
            lstrcpynA(record.result, removed ? "removed" : "Unable to remove", sizeof(record.result));
            bool appended = read && scan.Append(record);
            std::printf("value %s\\%s read %d removed %d recorded %d\n", key, name, read, removed, appended);
            status |= read && removed && appended ? 0 : 1;
        } else {
            std::printf("bad argument %s\n", argv[i]);
            return 2;
        }
    }
    std::printf("reg file %d\n", scan.WriteRegFile());
    std::printf("folder %s\n", scan.Folder());
    return status;
}
