// Ending the processes that run a file, by the technique of each platform.
#pragma once
#include "run/result_sink.h"
#include "run/system_folders.h"

// Terminates the processes that run path, by the platform's technique. 1: retry the deletion.
// path is the 64-bit program's spelling; view is the scan's WOW64 view. A namesake of the file that
// is left running goes to results as a refused action, under the file's detection name.
struct KillReport {
    ResultSink& results;
    const char* detection;
};
int KillProcessOfFile(const char* path, const Wow64View& view, const KillReport& report);
// What each termination technique did.
enum KillResult {
    kKillUnavailable,  // the process list could not be had (library, function or data missing)
    kKillNoneEnded,    // listed; no process running the file was ended
    kKillEnded,        // at least one process running the file was ended
};
// 95/98/ME: the first process whose file name is the file's.
KillResult KillProcessToolhelp(const char* path, const Wow64View& view, const KillReport& report);
// NT 4 and NT 6 and later: every process whose instance name begins with the file's base name and
// whose image is the file.
KillResult KillProcessPerfData(const char* path, const Wow64View& view, const KillReport& report);
// NT 5.x: every process whose main module is the file, by its whole path.
KillResult KillProcessPsapi(const char* path, const Wow64View& view);
