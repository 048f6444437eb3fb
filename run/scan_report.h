// The scan report, Tarvex.log in the Windows folder (else the temporary folder) or a file the
// command line names: one record per scan, appended line by line as the scan goes, so that it
// outlives the window and the process.
#pragma once
#include <windows.h>

#include "run/scan_report_text.h"

const char kReportFileName[] = "Tarvex.log";
const char kOldReportFileName[] = "Tarvex.old.log";

// The report's own state; the scan code reaches it only through the routines below.
struct ScanReport {
    char filePath[MAX_PATH];  // the file this scan's record goes to
    bool recordOpen;          // between the start line and the end line
    WalkSkipPaths skippedPaths;
    UnopenedPaths unopenedPaths;
    // While filePath does not take lines, they go to a usual place, headed by the start line once.
    char startLine[kReportLineChars];
    char fallbackPath[MAX_PATH];  // empty until the record first needs it
    bool atFallback;              // the latest line went to fallbackPath
    bool backWhenFree;            // filePath was only held by another program: tried again for each line
    int32_t retrySpentMs;         // waited for a held file since the record began (kReportRetryMs in all)
};

extern ScanReport g_scanReport;

// Chooses the file (rotating one over the size limit, or saying in a line why it could not be)
// and writes the start line: chosenPath when one is given and can be written, else the usual
// folders, with a line saying the chosen path failed. tooLongPath, when given, is the head of a
// chosen path too long to use: never tried, only named in that line. When nothing can be written
// the scan keeps no record and every routine below does nothing. version is null when the system
// would not say; the codes are GetPlatformCode's and GetNtVersionCode's; wow64 says whether the
// scan runs under WOW64.
// scanId, when given, is named by the start line (ChooseScanId's).
void BeginScanRecord(const char* productTitle, const WindowsVersion* version, int platformCode, int ntVersionCode,
                     bool wow64, const char* chosenPath, const char* tooLongPath = nullptr, const char* scanId = nullptr);
// The ID of a scan that starts now and whose record goes to chosenPath ("" or null: the usual
// place): the local time, counted on when that report's last record began in the same second.
void ChooseScanId(const char* chosenPath, char* id, size_t idSize);
// Appends one line on its own, outside any record, to chosenPath or else the usual folders (a run
// that ends before its scan starts). Failures are silent.
void ReportLoneLine(const char* chosenPath, const char* text);
// Writes one line through to the file at once. A file another program holds is tried again
// within the record's kReportRetryMs; a line it still does not take goes to a usual place, which
// then holds the start line again and a line saying why, until the file takes lines again (only
// when it was held) and a line there says where the others went. Other failures are silent.
void ReportLine(const char* text);
// The counts of what the walk passed over and the first paths of each kind, then those of the
// files that could not be opened.
struct ScanState;
void ReportWalkSkips(const ScanState& s);
void ReportQuestion(const char* question);
void ReportAnswer(int answer);
// Writes the end line once; later calls until the next BeginScanRecord do nothing. Called before
// a restart is started and before the program ends, so the record is whole either way.
// outcome, when given, is added to the end line (FormatOutcome's text).
void EndScanRecord(ReportEnd how, const char* outcome = nullptr);
