// The quarantine's records: one text file per scan beside its kept copies, naming everything the
// scan removed (files with their paths, attributes, times, size and SHA-256; autostart values and
// whole service keys with their views, types and data) and each undo of it. A strict writer and
// reader (portable): the undo acts only on what the reader accepts, so it refuses any path that is
// not absolute, climbs with "..", names a device or reaches past the file system's own names.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/byte_reader.h"
#include "base/product.h"
#include "base/sha256.h"
#include "disinfect/kept_copy.h"
#include "disinfect/wininit_text.h"  // TextSink
#include "run/scan_id.h"
#include "run/system_folders.h"  // RegistryView

// The records file's name in its scan's folder.
const char kRecordFileName[] = "records.txt";
const size_t kRecordTextSize = 128;        // detection, action, result, why a file was not kept
const size_t kRegistryKeySize = 512;       // a whole key path, root included
const size_t kValueNameSize = 260;
const size_t kMaxValueData = 16384;
// Bounds on what the reader takes from a records file.
const int64_t kMaxRecordFileSize = 16 * 1024 * 1024;
const int32_t kMaxRecords = 20000;

enum class RecordKind {
    kFile,   // a found file, kept (or not, and why) before it was deleted, renamed or scheduled
    kKey,    // a registry key that was removed whole (a service key or one of its subkeys)
    kValue,  // a registry value: an autostart value, or a value of a removed key
    kUndo,   // an undo of the scan, and how it ended
};

// Every field of every kind; a kind uses its own and leaves the others empty.
struct QuarantineRecord {
    RecordKind kind;
    // kFile
    char path[kPathSize];        // as found (the long name)
    char shortPath[kPathSize];   // the short name the removal acted on (may equal path)
    uint32_t attributes;
    uint64_t created;            // FILETIME values, 100 ns since 1601
    uint64_t accessed;
    uint64_t written;
    uint64_t size;
    uint8_t sha256[kSha256Size];
    char copy[kKeptCopyNameSize];        // the kept copy's name, "" when the file was not kept
    char notKept[kRecordTextSize];       // why not, when copy is ""
    // kKey and kValue
    RegistryView view;           // kViewOnly on a 32-bit Windows
    char key[kRegistryKeySize];  // "HKEY_LOCAL_MACHINE\..." as the view names it
    char valueName[kValueNameSize];  // kValue: "" is the key's default value
    uint32_t valueType;
    uint32_t dataSize;
    uint8_t data[kMaxValueData];
    // kFile, kKey and kValue: what found it and what was done
    char detection[kRecordTextSize];
    char action[kRecordTextSize];
    char result[kRecordTextSize];
    // kUndo
    uint64_t undoTime;           // FILETIME of the undo
    int32_t restored;
    int32_t left;
};

// Clears every field (and the large data buffer) for a new record of kind.
void ClearRecord(QuarantineRecord& record, RecordKind kind);

struct RecordFileHeader {
    char scanId[kScanIdSize];
};

// An absolute path on a drive, "X:\" and one name at least, that the undo may write: no "." or ".."
// name, no empty name, no device name (CON, NUL, COM1, ...: with any ending, spaces or dots), no
// "\\?\" or "\\.\" prefix, no share, no stream (':' after the drive), no wildcard or control byte.
bool IsSafeFilePath(const char* path);
// A key under HKEY_LOCAL_MACHINE with no empty, "." or ".." name and no control byte.
bool IsSafeRegistryKey(const char* key);

// Writers: the header once, then one call per record. A record the reader would refuse is not
// written (false), so whatever was written reads back; false also when the sink fell short.
bool WriteRecordFileHeader(const RecordFileHeader& header, TextSink& out);
bool WriteRecord(const QuarantineRecord& record, TextSink& out);

enum class RecordFault {
    kNone,
    kUnreadable,      // the file could not be read, or is longer than kMaxRecordFileSize
    kBadHeader,       // not a records file of ours, or a bad scan ID
    kBadLine,         // a line that is neither a section nor a field, or longer than any field
    kUnknownField,    // a field the record's kind does not have, or a field before any section
    kDuplicateField,
    kMissingField,
    kBadValue,        // a number, hex, hash, view, escape or copy name that does not read
    kUnsafePath,      // a file path or registry key the undo must not write
    kTooMany,         // more than kMaxRecords records
    kStopped,         // the visitor asked to stop
};

struct RecordFileSummary {
    RecordFileHeader header;
    int32_t files;
    int32_t keys;
    int32_t values;
    int32_t undos;
    // The last record was cut off (no "end" before the file ends): a scan that stopped mid-write.
    // It is left out; everything before it stands.
    bool cutTail;
    RecordFault fault;
    int32_t faultLine;  // 1-based line of the fault, 0 when none or not about a line
};

class RecordVisitor {
public:
    virtual ~RecordVisitor() {}
    // One whole record, in the file's order. False stops the reading (the read then fails).
    virtual bool Record(const QuarantineRecord& record) = 0;
};

// Reads a records file strictly: any fault refuses the whole file. A visitor hears each record as
// it is read, so a caller that acts on records reads once without one to check the whole file, and
// acts on a second reading only when the first was clean. False with summary.fault on a fault.
bool ReadRecordFile(ByteReader& file, RecordFileSummary& summary, RecordVisitor* visitor);

// A one-line reason for a fault, for the report ("a relative path, \"..\" or a device name", ...).
const char* RecordFaultText(RecordFault fault);
