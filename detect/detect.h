// Detection engine: the detector table the walker offers every file to, and the mail-file detector.
#pragma once

#include "base/byte_reader.h"
#include "match/signature_table.h"

struct ScanState;
// state is the scan's record, which the detector counts on and hands to the disposal.
typedef int (*DetectRoutine)(ScanState& state, const char* name, const char* path);

struct DetectorEntry {
    const char* name;      // null in the end row
    DetectRoutine detect;  // non-zero when it handled the file
};

// Row 1 kFamilyDetectionName -> SignatureDetector; row 2 the end row.
extern const DetectorEntry kDetectorTable[];

// Matches path against the signature table and, on a match, cleans up and disposes of the file.
int SignatureDetector(ScanState& state, const char* name, const char* path);
// Files the signature detector has tried to open since the process started (read by the tests).
extern int32_t g_signatureFileOpens;
// Recognises a uuencoded mail file carrying the mail worm and disposes of it.
int MailFileDetector(ScanState& state, const char* name, const char* path);
// Checks an open file against the mail records; on a match counts the infection, remembers the
// record's name and returns 1.
int MatchMailRecords(ScanState& state, ByteReader& file);
// Turns the stored mail patterns into plain bytes, once per process.
void UnscramblePatterns();
