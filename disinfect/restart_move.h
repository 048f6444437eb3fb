// Removal at the next start of Windows that cannot be redirected. On a volume with access lists
// the file is not deleted by its path at the restart: the matched file is put into the tool's own
// folder (disinfect/restart_record.h) through the handle that matched, and after the restart the
// tool's copy, started once by a RunOnce entry, matches each file there again and deletes what
// still matches, each name through a handle to the very file.
#pragma once
#include <cstddef>

enum RestartSchedule {
    kScheduleRefused,    // nothing was scheduled; why says what stopped it
    kScheduleMove,       // the move into the tool's folder and the step after the restart
    kScheduleBareDelete, // a volume without access lists: the caller deletes by path at the restart
};
class HeldFile;
// Puts the matched file, held by file (the handle that matched again), into the tool's folder on
// its volume for the step after the restart: renamed there at once when file may act, else given
// a second name there, through file in either case; only NT 4, which has no links, gets a delayed
// rename of path (as the scan names it, 64-bit spelling under WOW64). Refused unless the tool's
// folder on that volume and on the Windows folder's are its own and the step after the restart is
// registered first.
RestartSchedule ScheduleMoveAtRestart(const char* path, const char* name, HeldFile& file, char* why, size_t whySize);

// The step after the restart (kFinishSwitch): every record of every fixed volume's folder, a report
// line for each. Returns the process's exit code: 0 when every record was dealt with, 3 when a
// file had to stay in the folder.
int FinishAfterRestart();

// Whether folder (no trailing backslash) is the tool's folder at the root of its drive and its own
// (no link, owned by Administrators, SYSTEM or this account). The walk leaves such a folder out:
// it holds second names of files already found, which a second scan must not count again. A
// folder of that name that anybody else made is walked like any other.
bool IsOwnRestartFolder(const char* folder);

// Makes folder the tool's own: created with an access list that lets only Administrators and
// SYSTEM in (their ACEs inherited by what it holds), or, when it exists, taken only when it is no
// link and is owned by Administrators, SYSTEM or this account, and then given that list again.
bool MakeOwnFolder(const char* folder);
