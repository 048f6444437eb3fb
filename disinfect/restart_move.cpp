// The move into the tool's own folder at the restart, and the step that finishes it afterwards.
#include "disinfect/restart_move.h"

#include <windows.h>

#include <cstring>

#include "base/clib.h"
#include "base/file_reader.h"
#include "base/text.h"
#include "base/win32_scope.h"
#include "disinfect/restart_record.h"
#include "match/signature_match.h"
#include "platform/held_file.h"
#include "platform/held_file_rules.h"
#include "platform/version.h"
#include "run/run_options.h"
#include "run/system_folders.h"
#include "run/scan_report.h"

namespace {

// S-1-5-18 and S-1-5-32-544, laid out as the system keeps them.
const BYTE kSystemSid[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const BYTE kAdministratorsSid[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
const DWORD kAllFileRights = 0x001F01FF;
const BYTE kInheritedByAll = 0x03;  // OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE
const WORD kDaclProtected = 0x1000;
const DWORD kPersistentAcls = 0x00000008;
const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The access-list calls, looked up by name: Windows 95/98/ME never get here, and the program
// imports nothing they lack.
struct SecurityFunctions {
    BOOL(WINAPI* pInitializeSecurityDescriptor)(PSECURITY_DESCRIPTOR, DWORD);
    BOOL(WINAPI* pInitializeAcl)(PACL, DWORD, DWORD);
    BOOL(WINAPI* pAddAce)(PACL, DWORD, DWORD, LPVOID, DWORD);
    BOOL(WINAPI* pSetSecurityDescriptorDacl)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
    BOOL(WINAPI* pSetFileSecurityA)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
    BOOL(WINAPI* pGetFileSecurityA)(LPCSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
    BOOL(WINAPI* pGetSecurityDescriptorOwner)(PSECURITY_DESCRIPTOR, PSID*, LPBOOL);
    BOOL(WINAPI* pEqualSid)(PSID, PSID);
    BOOL(WINAPI* pGetTokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    // Windows 2000 and later; NT 4 has no inherited entries to keep out.
    BOOL(WINAPI* pSetSecurityDescriptorControl)(PSECURITY_DESCRIPTOR, WORD, WORD);
};

template <typename Routine>
bool LookUp(HMODULE library, const char* name, Routine& routine)
{
    routine = reinterpret_cast<Routine>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return routine != nullptr;
}

bool LookUpSecurityFunctions(SecurityFunctions& f)
{
    std::memset(&f, 0, sizeof(f));
    HMODULE advapi = GetModuleHandleA("advapi32.dll");
    if (advapi == nullptr)
        return false;
    LookUp(advapi, "SetSecurityDescriptorControl", f.pSetSecurityDescriptorControl);
    return LookUp(advapi, "InitializeSecurityDescriptor", f.pInitializeSecurityDescriptor) &&
           LookUp(advapi, "InitializeAcl", f.pInitializeAcl) && LookUp(advapi, "AddAce", f.pAddAce) &&
           LookUp(advapi, "SetSecurityDescriptorDacl", f.pSetSecurityDescriptorDacl) &&
           LookUp(advapi, "SetFileSecurityA", f.pSetFileSecurityA) &&
           LookUp(advapi, "GetFileSecurityA", f.pGetFileSecurityA) &&
           LookUp(advapi, "GetSecurityDescriptorOwner", f.pGetSecurityDescriptorOwner) &&
           LookUp(advapi, "EqualSid", f.pEqualSid) && LookUp(advapi, "GetTokenInformation", f.pGetTokenInformation);
}

// A security descriptor whose list lets Administrators and SYSTEM do anything, inherited by all
// the folder holds, and nobody else anything; kept apart from the parent's inherited entries.
struct OwnSecurity {
    SECURITY_DESCRIPTOR descriptor;
    union {
        BYTE bytes[128];
        DWORD alignment;
    } acl;
};

bool AddAllowed(const SecurityFunctions& f, PACL acl, const BYTE* sid, size_t sidSize)
{
    BYTE ace[8 + 16];
    WORD aceSize = static_cast<WORD>(8 + sidSize);
    ace[0] = 0;  // ACCESS_ALLOWED_ACE_TYPE
    ace[1] = kInheritedByAll;
    std::memcpy(ace + 2, &aceSize, sizeof(aceSize));
    std::memcpy(ace + 4, &kAllFileRights, sizeof(kAllFileRights));
    std::memcpy(ace + 8, sid, sidSize);
    return f.pAddAce(acl, ACL_REVISION, MAXDWORD, ace, aceSize) != 0;
}

bool BuildOwnSecurity(const SecurityFunctions& f, OwnSecurity& own)
{
    std::memset(&own, 0, sizeof(own));
    PACL acl = reinterpret_cast<PACL>(own.acl.bytes);
    if (!f.pInitializeSecurityDescriptor(&own.descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !f.pInitializeAcl(acl, sizeof(own.acl.bytes), ACL_REVISION) ||
        !AddAllowed(f, acl, kAdministratorsSid, sizeof(kAdministratorsSid)) ||
        !AddAllowed(f, acl, kSystemSid, sizeof(kSystemSid)) ||
        !f.pSetSecurityDescriptorDacl(&own.descriptor, TRUE, acl, FALSE))
        return false;
    if (f.pSetSecurityDescriptorControl != nullptr)
        f.pSetSecurityDescriptorControl(&own.descriptor, kDaclProtected, kDaclProtected);
    return true;
}

bool OwnedByAdministration(const SecurityFunctions& f, const char* folder)
{
    union {
        BYTE bytes[1024];
        DWORD alignment;
    } descriptor;
    DWORD needed = 0;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!f.pGetFileSecurityA(folder, OWNER_SECURITY_INFORMATION, descriptor.bytes, sizeof(descriptor.bytes), &needed) ||
        !f.pGetSecurityDescriptorOwner(descriptor.bytes, &owner, &defaulted) || owner == nullptr)
        return false;
    if (f.pEqualSid(owner, const_cast<BYTE*>(kAdministratorsSid)) || f.pEqualSid(owner, const_cast<BYTE*>(kSystemSid)))
        return true;
    // An administrator's own account owns what it made, where the system does not give that to
    // the Administrators group.
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out()))
        return false;
    union {
        BYTE bytes[256];
        DWORD alignment;
    } user;
    return f.pGetTokenInformation(token.Get(), TokenUser, user.bytes, sizeof(user.bytes), &needed) &&
           f.pEqualSid(reinterpret_cast<TOKEN_USER*>(user.bytes)->User.Sid, owner);
}

bool VolumeKeepsAccessLists(const char* path)
{
    char root[4] = {path[0], ':', '\\', '\0'};
    DWORD flags = 0;
    return GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) && (flags & kPersistentAcls) != 0;
}

bool JoinPath(char* dest, size_t destSize, const char* folder, const char* name, const char* extension = "")
{
    return CopyText(dest, destSize, folder) && AppendText(dest, destSize, "\\") && AppendText(dest, destSize, name) &&
           AppendText(dest, destSize, extension);
}

// The tool's copy in the Windows volume's folder and the RunOnce entry that starts it once after
// the restart. The entry never names a program in a folder an ordinary user may write: that
// would hand the next administrator's logon to that user.
bool RegisterFinishingStep()
{
    char windows[MAX_PATH];
    UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    char folder[MAX_PATH];
    if (length == 0 || length >= sizeof(windows) || !RestartFolderFor(windows, folder, sizeof(folder)) ||
        !MakeOwnFolder(folder))
        return false;
    char copy[MAX_PATH];
    char self[MAX_PATH];
    DWORD selfLength = GetModuleFileNameA(nullptr, self, sizeof(self));
    if (!JoinPath(copy, sizeof(copy), folder, kRestartToolName) || selfLength == 0 || selfLength >= sizeof(self))
        return false;
    // Read through a handle that shares no writing or deletion, so the program is not swapped
    // under the copy.
    ScopedFileHandle source(CreateFileA(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (CompareNoCase(copy, self) != 0 && (!source.IsValid() || !CopyFileA(self, copy, FALSE)))
        return false;
    char command[MAX_PATH + 32];
    if (!FormatText(command, sizeof(command), "\"%s\" %s", copy, kFinishSwitch))
        return false;
    ScopedRegistryKey key;
    DWORD disposition = 0;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Out(),
                           &disposition) == ERROR_SUCCESS &&
           RegSetValueExA(key.Get(), kRunOnceValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                          static_cast<DWORD>(TextLength(command) + 1)) == ERROR_SUCCESS;
}

// A free number in folder: neither its moved name nor its record exists.
bool ChooseMoveNumber(const char* folder, char* number, size_t numberSize)
{
    for (unsigned long n = 1; n < 100000; ++n) {
        char movedPath[MAX_PATH];
        char recordPath[MAX_PATH];
        FormatText(number, numberSize, "%08lx", n);
        if (!JoinPath(movedPath, sizeof(movedPath), folder, number, kMovedFileExtension) ||
            !JoinPath(recordPath, sizeof(recordPath), folder, number, kMoveRecordExtension))
            return false;
        if (GetFileAttributesA(movedPath) == INVALID_FILE_ATTRIBUTES &&
            GetFileAttributesA(recordPath) == INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

bool WriteWholeFile(const char* path, const char* text)
{
    ScopedFileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD size = static_cast<DWORD>(TextLength(text));
    DWORD written = 0;
    bool whole = file.IsValid() && WriteFile(file.Get(), text, size, &written, nullptr) && written == size;
    if (!file.Close() || !whole) {
        DeleteFileA(path);
        return false;
    }
    return true;
}

void ReportAfterRestart(const char* format, const char* a, const char* b = "", const char* c = "")
{
    char text[kReportLineChars];
    char line[kReportLineChars];
    FormatText(text, sizeof(text), format, a, b, c);
    FormatText(line, sizeof(line), "%s after the restart: %s", kProductTitle, text);
    ReportLoneLine(g_runOptions.reportPath, line);
}

// Whether the file held by file is the one record names.
bool IsRecordedFile(HeldFile& file, const MoveRecord& record, unsigned long& names)
{
    FileIdentity identity;
    return file.Identify(identity, names) && SameFile(identity, record.identity);
}

// What the original path of a second name's record names now. Only the very file, opened for
// action where no folder of the path is a link, may lose that name.
OriginalName LookAtOriginal(const MoveRecord& record, const char* callPath, HeldFile& original)
{
    unsigned long names = 0;
    if (original.OpenForAction(callPath))
        return IsRecordedFile(original, record, names) ? kOriginalSame : kOriginalOther;
    if (original.OpenToRead(callPath)) {
        bool same = IsRecordedFile(original, record, names);
        original.Close();
        return same ? kOriginalHeld : kOriginalOther;
    }
    DWORD attributes = GetFileAttributesA(callPath);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND ? kOriginalGone
                                                                                               : kOriginalUnknown;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kOriginalOther : kOriginalUnknown;
}

// Deletes the original name through original (the very file), then the tool's own name.
bool DeleteBothNames(HeldFile& original, const char* movedPath, const MoveRecord& record)
{
    if (!original.ResetAttributes() || !original.Delete())
        return false;
    HeldFile own;
    unsigned long names = 0;
    return own.OpenForAction(movedPath) && IsRecordedFile(own, record, names) && own.Delete();
}

// Lets go of the tool's second name for the file; what the original path names is not touched.
bool DropOwnName(const char* movedPath, const MoveRecord& record, unsigned long& namesBefore)
{
    HeldFile own;
    return own.OpenForAction(movedPath) && IsRecordedFile(own, record, namesBefore) && own.DropName();
}

// Puts the matched file into the tool's folder as record.method says. True when it is there (or,
// for a move at the restart, when the move is registered).
bool PlaceForRestart(const MoveRecord& record, const char* path, const char* movedPath, HeldFile& file)
{
    switch (record.method) {
    case kMovedNow:
        if (!file.RenameTo(movedPath))
            return false;
        // A path inside the tool's own folder, which no other user can turn elsewhere. Should the
        // restart not delete it, the step after the restart does.
        MoveFileExA(movedPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return true;
    case kSecondName: {
        if (!file.LinkAs(movedPath))
            return false;
        HeldFile own;
        unsigned long names = 0;
        if (own.OpenToRead(movedPath) && IsRecordedFile(own, record, names))
            return true;
        own.Close();
        DeleteFileA(movedPath);
        return false;
    }
    case kMovedAtRestart:
        // The path keeps the 64-bit spelling: the session manager that carries it out is a 64-bit
        // program, and the alias means nothing to it. Only where no folder can be a link.
        return MoveFileExA(path, movedPath, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
    }
    return false;
}

enum FinishOutcome { kRecordDone, kRecordKept, kRecordRetry };
// A file held at the logon (a program the restart has not ended yet, a scanner's look) is tried
// again a few times before it is left for the next restart.
const int kFinishTries = 5;
const DWORD kFinishRetryMs = 2000;

// One record of a folder: kRecordDone when it was dealt with and may go. view: the record names
// the file as a 64-bit program does, and the file calls need their own spelling of it. What must
// wait is kRecordRetry, silently, until lastTry, then kRecordKept with its line.
FinishOutcome FinishOne(const char* folder, const char* number, const Wow64View& view, bool lastTry)
{
    char recordPath[MAX_PATH];
    char movedPath[MAX_PATH];
    if (!JoinPath(recordPath, sizeof(recordPath), folder, number, kMoveRecordExtension) ||
        !JoinPath(movedPath, sizeof(movedPath), folder, number, kMovedFileExtension))
        return kRecordKept;
    char text[2 * kPathSize + 64];
    int32_t got = 0;
    {
        FileReader record(recordPath, FILE_SHARE_READ);
        got = record.IsOpen() ? record.ReadAt(0, text, sizeof(text)) : -1;
    }
    MoveRecord moved;
    if (got <= 0 || !ParseMoveRecord(text, static_cast<size_t>(got), moved)) {
        ReportAfterRestart("%s is no record of the tool's; it and %s are left as they are", recordPath, movedPath);
        return kRecordKept;
    }
    const char* original = moved.originalPath;
    const char* name = moved.detectionName;
    char callBuffer[kPathSize];
    const char* callPath = ForFileCalls(original, view, callBuffer, sizeof(callBuffer));
    FinishFacts facts = {};
    char changed[kPathSize] = "";
    unsigned long names = 0;
    HeldFile file;
    facts.present = GetFileAttributesA(movedPath) != INVALID_FILE_ATTRIBUTES;
    facts.opened = facts.present && file.OpenForAction(movedPath);
    facts.sameFile = facts.opened && IsRecordedFile(file, moved, names);
    PeImageInfo info;
    facts.matches = facts.opened && MatchSignatureTable(file.Reader(), kSignatureTable, info) >= 0;
    facts.pathChanged = FindChangedFolder(callPath, changed, sizeof(changed));
    // Let go first: a second open of the same file for action would be refused while it is held.
    file.Close();
    HeldFile atOriginal;
    if (moved.method == kSecondName && facts.opened && facts.sameFile && facts.matches && !facts.pathChanged)
        facts.original = LookAtOriginal(moved, callPath, atOriginal);
    switch (DecideFinish(moved.method, facts)) {
    case kFinishDelete:
        if (file.OpenForAction(movedPath) && file.ResetAttributes() && file.Delete()) {
            ReportAfterRestart("%s     %s removed", original, name);
            return kRecordDone;
        }
        ReportAfterRestart("%s     %s Unable to remove; it stays in %s", original, name, movedPath);
        return kRecordKept;
    case kFinishDeleteBoth:
        if (DeleteBothNames(atOriginal, movedPath, moved)) {
            ReportAfterRestart("%s     %s removed", original, name);
            return kRecordDone;
        }
        ReportAfterRestart("%s     %s Unable to remove; its second name waits in %s", original, name, movedPath);
        return kRecordKept;
    case kFinishDropName:
        if (!DropOwnName(movedPath, moved, names)) {
            ReportAfterRestart("%s: the tool's second name for it, %s, could not be let go", original, movedPath);
            return kRecordKept;
        }
        if (facts.pathChanged)
            ReportAfterRestart("%s     %s left: its folder %s has become a link; only the tool's second name "
                               "for the file was let go", original, name, changed);
        else if (!facts.matches)
            ReportAfterRestart("%s matches no record now: left as it is; only the tool's second name for it "
                               "was let go", original);
        else if (facts.original == kOriginalOther)
            ReportAfterRestart("%s     %s left: the path names another file now, and nothing there was touched; %s",
                               original, name,
                               names <= 1 ? "the matched file had no other name and went with the tool's"
                                          : "only the tool's second name for the matched file was let go");
        else
            ReportAfterRestart("%s     %s %s", original, name,
                               names <= 1 ? "removed (its own name had gone already)"
                                          : "left: the path names nothing now; only the tool's second name for "
                                            "the matched file was let go");
        return kRecordDone;
    case kFinishPutBack:
        // MoveFileA never replaces: a file that took the name since keeps it.
        if (MoveFileA(movedPath, callPath)) {
            ReportAfterRestart("%s was moved at the restart but matches no record now: put back, not deleted",
                               original);
            return kRecordDone;
        }
        ReportAfterRestart("%s was moved at the restart but matches no record now: it could not be put back and "
                           "waits in %s", original, movedPath);
        return kRecordKept;
    case kFinishKeepRecord:
        if (!lastTry)
            return kRecordRetry;
        if (moved.method == kMovedAtRestart && facts.opened && !facts.matches && facts.pathChanged)
            ReportAfterRestart("%s was moved at the restart but matches no record now, and its folder %s is a "
                               "link: it waits in %s", original, changed, movedPath);
        else if (facts.original == kOriginalHeld || (facts.present && !facts.opened))
            ReportAfterRestart("%s     %s is held by some program: it waits in %s for the next restart", original,
                               name, movedPath);
        else
            ReportAfterRestart("%s     %s could not be dealt with now; it waits in %s", original, name, movedPath);
        return kRecordKept;
    case kFinishNothingMoved:
        ReportAfterRestart("%s was not moved at the restart; nothing was done to it", original);
        return kRecordDone;
    case kFinishDoneAtRestart:
        ReportAfterRestart("%s     %s removed", original, name);
        return kRecordDone;
    }
    return kRecordKept;
}

}  // namespace

bool IsOwnRestartFolder(const char* folder)
{
    char expected[MAX_PATH];
    SecurityFunctions f;
    if (!RestartFolderFor(folder, expected, sizeof(expected)) || CompareNoCase(folder, expected) != 0 ||
        !LookUpSecurityFunctions(f))
        return false;
    DWORD attributes = GetFileAttributesA(folder);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && OwnedByAdministration(f, folder);
}

bool MakeOwnFolder(const char* folder)
{
    SecurityFunctions f;
    OwnSecurity own;
    if (!LookUpSecurityFunctions(f) || !BuildOwnSecurity(f, own))
        return false;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &own.descriptor, FALSE};
    if (CreateDirectoryA(folder, &attributes))
        return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    // Someone else may have made it first, to read or swap what the tool puts there.
    DWORD existing = GetFileAttributesA(folder);
    if (existing == INVALID_FILE_ATTRIBUTES || (existing & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (existing & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !OwnedByAdministration(f, folder))
        return false;
    return f.pSetFileSecurityA(folder, DACL_SECURITY_INFORMATION, &own.descriptor) != 0;
}

RestartSchedule ScheduleMoveAtRestart(const char* path, const char* name, HeldFile& file, char* why, size_t whySize)
{
    CopyText(why, whySize, "");
    char folder[MAX_PATH];
    if (!RestartFolderFor(path, folder, sizeof(folder))) {
        CopyText(why, whySize, "it is on no drive of its own");
        return kScheduleRefused;
    }
    // Without access lists every user may delete or swap any file of the volume anyway, and the
    // volume has no links: a deletion by path at the restart gives nobody anything new.
    if (!VolumeKeepsAccessLists(path))
        return kScheduleBareDelete;
    if (!MakeOwnFolder(folder)) {
        FormatText(why, whySize, "%s is not the tool's own folder", folder);
        return kScheduleRefused;
    }
    MoveRecord record = {};
    unsigned long names = 0;
    if (!file.Identify(record.identity, names)) {
        CopyText(why, whySize, "the file that matched could not be told apart from others");
        return kScheduleRefused;
    }
    // Registered before anything is moved: a moved file with nobody to finish it would stay away.
    if (!RegisterFinishingStep()) {
        CopyText(why, whySize, "the step after the restart could not be registered");
        return kScheduleRefused;
    }
    char number[16];
    char recordPath[MAX_PATH];
    char movedPath[MAX_PATH];
    if (!ChooseMoveNumber(folder, number, sizeof(number)) ||
        !JoinPath(recordPath, sizeof(recordPath), folder, number, kMoveRecordExtension) ||
        !JoinPath(movedPath, sizeof(movedPath), folder, number, kMovedFileExtension) ||
        !CopyText(record.originalPath, sizeof(record.originalPath), path) ||
        !CopyText(record.detectionName, sizeof(record.detectionName), name)) {
        FormatText(why, whySize, "no record could be written in %s", folder);
        return kScheduleRefused;
    }
    // Through the handle that matched wherever links can exist: a path handed to the restart could
    // be sent through a link by then. A file the tool may act on leaves its path at once.
    RestartMethod methods[2] = {kMovedAtRestart, kMovedAtRestart};
    int count = 0;
    if (file.CanAct())
        methods[count++] = kMovedNow;
    if (LinksCanExist(GetPlatformCode(), GetNtVersionCode()))
        methods[count++] = kSecondName;
    else if (count == 0)
        methods[count++] = kMovedAtRestart;
    for (int i = 0; i < count; ++i) {
        record.method = methods[i];
        char text[2 * kPathSize + 64];
        if (!FormatMoveRecord(record, text, sizeof(text)) || !WriteWholeFile(recordPath, text)) {
            FormatText(why, whySize, "no record could be written in %s", folder);
            return kScheduleRefused;
        }
        if (PlaceForRestart(record, path, movedPath, file))
            return kScheduleMove;
        DeleteFileA(recordPath);
    }
    CopyText(why, whySize, "the system refused to put the file in the tool's folder");
    return kScheduleRefused;
}

int FinishAfterRestart()
{
    Wow64View view;
    QueryWow64View(view);
    bool allDone = true;
    for (char drive = 'A'; drive <= 'Z'; ++drive) {
        char root[4] = {drive, ':', '\\', '\0'};
        char folder[MAX_PATH];
        if (GetDriveTypeA(root) != DRIVE_FIXED || !CopyText(folder, sizeof(folder), root) ||
            !AppendText(folder, sizeof(folder), kRestartFolderName) ||
            GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES)
            continue;
        // Nothing in a folder the tool cannot call its own is trusted.
        if (!MakeOwnFolder(folder)) {
            ReportAfterRestart("%s is not the tool's own folder: nothing in it was touched", folder);
            allDone = false;
            continue;
        }
        char pattern[MAX_PATH];
        JoinPath(pattern, sizeof(pattern), folder, "*", kMoveRecordExtension);
        // The numbers first, then the work: a deleted record must not upset the listing.
        char numbers[64][16];
        int count = 0;
        WIN32_FIND_DATAA entry;
        ScopedFindHandle search(FindFirstFileA(pattern, &entry));
        for (bool more = search.IsValid(); more && count < 64; more = FindNextFileA(search.Get(), &entry) != 0) {
            const char* dot = std::strrchr(entry.cFileName, '.');
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && dot != nullptr &&
                static_cast<size_t>(dot - entry.cFileName) < sizeof(numbers[0]))
                CopyTextN(numbers[count++], sizeof(numbers[0]), entry.cFileName, static_cast<size_t>(dot - entry.cFileName));
        }
        search.Close();
        bool waiting[64];
        for (int i = 0; i < count; ++i)
            waiting[i] = true;
        for (int tries = 1, left = count; left > 0; ++tries) {
            if (tries > 1)
                Sleep(kFinishRetryMs);
            left = 0;
            for (int i = 0; i < count; ++i) {
                if (!waiting[i])
                    continue;
                FinishOutcome outcome = FinishOne(folder, numbers[i], view, tries == kFinishTries);
                char recordPath[MAX_PATH];
                waiting[i] = outcome == kRecordRetry;
                left += waiting[i] ? 1 : 0;
                allDone = allDone && outcome != kRecordKept;
                if (outcome == kRecordDone &&
                    JoinPath(recordPath, sizeof(recordPath), folder, numbers[i], kMoveRecordExtension))
                    DeleteFileA(recordPath);
            }
        }
    }
    // What had to wait is looked at again after the next restart.
    if (!allDone)
        RegisterFinishingStep();
    return allDone ? kExitClean : kExitLeftBehind;
}
