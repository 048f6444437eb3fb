// Disposal of an infected file: deletion, rename, the holding process ended, deletion at the next
// start of Windows.
#pragma once
#include <windows.h>
#include <cstddef>

struct ScanState;

// What a detector's disposal does beyond a plain deletion, and the words of its result lines.
struct DisposalTexts {
    // Attributes reset before the deletion, the holding process ended, deletion at the next start
    // of Windows when all else fails; without it a failed deletion is only reported.
    bool forced;
    const char* removeFailed;  // the file stays (or waits for the restart)
    const char* leftAsChosen;  // kDispositionLeave
};
// The signature detector's disposal, which the memory scan's second pass shares.
extern const DisposalTexts kFileDisposal;
// Disposes of a detected (already closed) file by ScanState::dispositionCode, one result line.
// A deletion registered for the next start sets ScanState::restartNeeded; nothing here clears it.
void DisposeInfectedFile(ScanState& s, const char* path, const char* name, const DisposalTexts& texts = kFileDisposal);
class HeldFile;
// Disposes of a matched file through the handle that matched it (kept open from the match). On
// the NT family no step acts by path alone: a step after that handle was let go opens and matches
// the file again, and a folder of the path that has become a link leaves the file where it is.
void DisposeMatchedFile(ScanState& s, const char* path, const char* name, HeldFile& file);
// Renames a detected file by MakeRenamedPath, one result line ("renamed" or "Rename failed").
void RenameInfectedFile(ScanState& s, const char* path, const char* name);
// The name an infected file is renamed to: the character after the last '.' of the path becomes
// 'V' (a final '.' gets a 'V' appended); a path without '.' is unchanged. False when it does not fit.
bool MakeRenamedPath(const char* path, char* renamed, size_t renamedSize);
// A spare byte for the 'V' after a '.' that ends a path of MAX_PATH - 1 characters.
const size_t kRenamedPathSize = MAX_PATH + 1;
// Second pass of the memory scan: "System Memory" line, one second's pause, then disposal.
void RemoveFromMemory(ScanState& s, const char* path, const char* familyName);
// Registers deletion of path at the next start of Windows; non-zero only when it was registered.
int ScheduleDeleteAtRestart(const char* path);
// Adds target=file to the [rename] section of wininit.ini in the Windows folder. The new text is
// written beside it and replaces it only when whole; on failure the old file stays as it was.
bool AddWininitRename(const char* target, const char* file);
// AddWininitRename with the replacing rename given (tests stand in for the 9x stub).
typedef BOOL(WINAPI* MoveFileExRoutine)(LPCSTR existing, LPCSTR replacement, DWORD flags);
bool AddWininitRenameWith(const char* target, const char* file, MoveFileExRoutine moveFileEx);
