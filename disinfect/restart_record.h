// The record kept for a file that waits for the restart in the tool's own folder, the folder's
// place, and what the step after the restart decides for each record (portable: no Win32).
// Whatever takes such a file later (the step after the restart, a quarantine) reads it through
// these names alone.
//
// Each fixed volume whose file system keeps access lists gets one folder at its root,
// kRestartFolderName ("C:\TarvexRestart"), which only Administrators and SYSTEM may write (made
// so by the tool, or refused when some other account owns it). A file that must wait for the
// restart gets a number N there, eight hex digits, and two names:
//   N.mov   the file itself, under a name of the tool's (how it got there: RestartMethod);
//   N.txt   its record: the path it came from, the detection name, the method and the file's
//           identity, each line ending in CR LF.
// The folder on the Windows folder's volume also holds kRestartToolName, the copy of the tool that
// the RunOnce entry starts with kFinishSwitch after the restart.
#pragma once
#include <cstddef>

#include "base/product.h"
#include "platform/held_file_rules.h"

const char kRestartFolderName[] = "TarvexRestart";
const char kMovedFileExtension[] = ".mov";
const char kMoveRecordExtension[] = ".txt";
const char kRestartToolName[] = "tarvex.exe";
const char kFinishSwitch[] = "/FINISH";
// The RunOnce value that starts the step after the restart.
const char kRunOnceValueName[] = "Tarvex restart";

// How the file came into the tool's folder. Only the first works by path at the restart, and only
// where no folder can be a link.
enum RestartMethod {
    kMovedAtRestart,  // a delayed rename by path (NT 4, which has no links)
    kMovedNow,        // renamed there through the handle that matched; the restart deletes it there
    kSecondName,      // a second name (hard link) made through the handle that matched; the step
                      // after the restart deletes the first name through a handle to the same file
};

struct MoveRecord {
    char originalPath[kPathSize];
    char detectionName[kPathSize];
    RestartMethod method;
    FileIdentity identity;  // of the file that matched; zero in a record of the first version
};

// The record's text; false when it does not fit.
bool FormatMoveRecord(const MoveRecord& record, char* text, size_t textSize);
// Reads a record's text (size bytes, not necessarily terminated). False for anything that is not
// a full path (drive or share) and a name, each fitting its field, then the method's words and the
// identity ("VVVVVVVV-HHHHHHHH-LLLLLLLL", hex), all whole lines. A record of two lines, as the
// first version wrote, is a move at the restart.
bool ParseMoveRecord(const char* text, size_t size, MoveRecord& record);
// "X:\TarvexRestart" for the volume of path (a drive path); false for any other path.
bool RestartFolderFor(const char* path, char* folder, size_t folderSize);

// What the original path names at the step after the restart (a second name's record only).
enum OriginalName {
    kOriginalSame,     // the very file, and it can be acted on
    kOriginalHeld,     // the very file, but some program holds it
    kOriginalGone,     // nothing
    kOriginalOther,    // another file, or a folder
    kOriginalUnknown,  // something that cannot be opened to tell
};
// What the step after the restart found for one record.
struct FinishFacts {
    bool present;          // the file is in the folder under the record's number
    bool opened;           // it could be opened for action there
    bool sameFile;         // it is the file the record names (its identity)
    bool matches;          // a record of the signature table matched it through that open
    bool pathChanged;      // a folder of the original path is a link now
    OriginalName original; // a second name's record only
};
enum FinishAction {
    kFinishDelete,        // delete it through the handle that matched
    kFinishDeleteBoth,    // delete the original name, then the tool's, each through a handle to the file
    kFinishDropName,      // delete only the tool's second name: the original path is not touched
    kFinishPutBack,       // a file the restart moved goes back, never over another file
    kFinishKeepRecord,    // it cannot be dealt with now: left for the next start
    kFinishNothingMoved,  // nothing of the record's is in the folder: the record goes, nothing is touched
    kFinishDoneAtRestart, // moved at the scan, and the restart deleted it as asked
};
FinishAction DecideFinish(RestartMethod method, const FinishFacts& facts);
