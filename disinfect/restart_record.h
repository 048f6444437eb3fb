// The record kept beside a file moved at the restart into the tool's own folder, and the folder's
// place (portable: no Win32). Whatever takes such a file later (the step after the restart, a
// quarantine) reads it through these names alone.
//
// Each fixed volume whose file system keeps access lists gets one folder at its root,
// kRestartFolderName ("C:\TarvexRestart"), which only Administrators and SYSTEM may write (made
// so by the tool, or refused when some other account owns it). A file that must wait for the
// restart gets a number N there, eight hex digits, and two names:
//   N.mov   the file itself, once the restart has moved it there (a delayed rename on one volume);
//   N.txt   its record: the path it came from, CR LF, the detection name, CR LF.
// The folder on the Windows folder's volume also holds kRestartToolName, the copy of the tool that
// the RunOnce entry starts with kFinishSwitch after the restart.
#pragma once
#include <cstddef>

#include "base/product.h"

const char kRestartFolderName[] = "TarvexRestart";
const char kMovedFileExtension[] = ".mov";
const char kMoveRecordExtension[] = ".txt";
const char kRestartToolName[] = "tarvex.exe";
const char kFinishSwitch[] = "/FINISH";
// The RunOnce value that starts the step after the restart.
const char kRunOnceValueName[] = "Tarvex restart";

struct MoveRecord {
    char originalPath[kPathSize];
    char detectionName[kPathSize];
};

// The record's text; false when it does not fit.
bool FormatMoveRecord(const MoveRecord& record, char* text, size_t textSize);
// Reads a record's text (size bytes, not necessarily terminated). False for anything that is not
// two whole lines, a full path (drive or share) and a name, each fitting its field.
bool ParseMoveRecord(const char* text, size_t size, MoveRecord& record);
// "X:\TarvexRestart" for the volume of path (a drive path); false for any other path.
bool RestartFolderFor(const char* path, char* folder, size_t folderSize);
