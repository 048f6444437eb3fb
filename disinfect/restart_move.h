// Removal at the next start of Windows that cannot be redirected. On a volume with access lists
// the file is not deleted by its path at the restart: a delayed rename moves it into the tool's
// own folder (disinfect/restart_record.h), and after the restart the tool's copy, started once by
// a RunOnce entry, matches each moved file again: it deletes what still matches and puts anything
// else back where it came from.
#pragma once
#include <cstddef>

enum RestartSchedule {
    kScheduleRefused,    // nothing was scheduled; why says what stopped it
    kScheduleMove,       // the move into the tool's folder and the step after the restart
    kScheduleBareDelete, // a volume without access lists: the caller deletes by path at the restart
};
// Schedules the move of path (as the scan names it, 64-bit spelling under WOW64) with its
// detection name. Refused unless the tool's folder on that volume and on the Windows folder's are
// its own and the step after the restart is registered first.
RestartSchedule ScheduleMoveAtRestart(const char* path, const char* name, char* why, size_t whySize);

// The step after the restart (kFinishSwitch): every record of every fixed volume's folder, a report
// line for each. Returns the process's exit code: 0 when every record was dealt with, 3 when a
// file had to stay in the folder.
int FinishAfterRestart();

// Makes folder the tool's own: created with an access list that lets only Administrators and
// SYSTEM in (their ACEs inherited by what it holds), or, when it exists, taken only when it is no
// link and is owned by Administrators, SYSTEM or this account, and then given that list again.
bool MakeOwnFolder(const char* folder);
