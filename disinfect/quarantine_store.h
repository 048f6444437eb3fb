// The quarantine on the disk: each scan's folder holds the kept copies, the records file and the
// registry changes as a .reg file. Keeping never stops a removal: what cannot be kept is recorded
// with the reason, and the removal goes on.
#pragma once
#include <windows.h>

#include "disinfect/quarantine_bounds.h"
#include "disinfect/quarantine_record.h"

// The records' .reg file in a scan's folder.
const char kRegFileName[] = "registry.reg";

// Receives the lines a quarantine step has for the report.
class QuarantineLines {
public:
    virtual ~QuarantineLines() {}
    virtual void Line(const char* text) = 0;
    // One object of an undo of scanId, after its line: put back, or not (how says why).
    virtual void Object(const char* /*scanId*/, const char* /*what*/, const char* /*detection*/, bool /*putBack*/,
                        const char* /*how*/)
    {
    }
};

// <Windows folder>\Tarvex\Quarantine, made (with the folder above it) when create is set and it is
// missing. False when the path does not fit or the folder cannot be made.
bool QuarantineRoot(char* path, size_t pathSize, bool create);

// The FILETIME as one number, and as seconds for the bounds.
uint64_t FileTimeValue(const FILETIME& time);
int64_t FileTimeSeconds(uint64_t value);

// The bounds at the start of a scan: lists the scans kept in root, drops those that
// PlanQuarantineBounds chooses (a line each) and returns how many bytes the rest hold. reserve as
// for PlanQuarantineBounds; keepId, when not null, names the running scan, which is never listed.
uint64_t ApplyQuarantineBounds(const char* root, int64_t now, uint64_t reserve, const char* keepId,
                               QuarantineLines& lines);

// One scan's part of the quarantine.
class QuarantineScan {
public:
    QuarantineScan();
    // Makes the scan's folder under root and writes the records file's header, after the bounds.
    // False when nothing can be kept in this scan (every keep then says why). Begun again with the
    // ID of a scan already kept, it re-opens that scan's folder and appends to its records.
    bool Begin(const char* root, const char* scanId, QuarantineLines& lines);
    bool IsOpen() const { return m_bOpen; }
    // Keeps a copy of the file at fileCallPath (the spelling the file calls need) in its kept form,
    // and fills record's file fields from it (path and shortPath as given). False when it could not
    // be kept: record.notKept then says why. Detection, action and result are the caller's. held,
    // when given, is the handle that matched the file: the bytes are read through it, so that what
    // is kept is the very file that matched.
    bool KeepFile(const char* path, const char* shortPath, const char* fileCallPath, QuarantineRecord& record,
                  ByteReader* held = nullptr);
    // Deletes the copy KeepFile made for record, when what was to be removed stayed where it was.
    void DropCopy(const QuarantineRecord& record);
    // Reads a value into a kValue record before it is deleted; false when it cannot be read.
    bool ReadValue(RegistryView view, const char* key, const char* valueName, QuarantineRecord& record);
    // Records a whole key before it is removed: the key, its values, then each subkey the same way.
    // Each record gets detection, action and result. False when some part could not be read.
    bool KeepKeyTree(RegistryView view, const char* key, const char* detection, const char* action, const char* result);
    // Appends one record to the records file.
    bool Append(const QuarantineRecord& record);
    // Writes the .reg file from the records file; none when the scan changed no registry value.
    bool WriteRegFile();
    // The scan's end: writes the .reg file, and drops the scan's folder when it holds no record, so
    // that a scan that removed nothing leaves nothing. True when something was recorded.
    bool End();
    const char* Folder() const { return m_strFolder; }
    // The quarantine's root folder, "" before Begin.
    const char* Root() const { return m_strRoot; }

private:
    bool KeepKeyLevel(RegistryView view, const char* key, const char* detection, const char* action,
                      const char* result, int depth);
    bool m_bOpen;
    char m_strFolder[kPathSize];
    char m_strRoot[kPathSize];
    char m_strScanId[kScanIdSize];
    int32_t m_nCopies;
    uint64_t m_nKeptBytes;   // this scan's copies
    uint64_t m_nOtherBytes;  // the other scans' folders after the bounds
    QuarantineLines* m_pLines;
};

// Appends one record to the records file of the scan folder folder.
bool AppendRecordTo(const char* folder, const QuarantineRecord& record);
// Reads a records file whole through a file; false (and summary.fault) as ReadRecordFile.
bool ReadRecordFileAt(const char* path, RecordFileSummary& summary, RecordVisitor* visitor);
// Splits "HKEY_LOCAL_MACHINE\sub\key" into the subkey after the root; null for any other root.
const char* LocalMachineSubkey(const char* key);
