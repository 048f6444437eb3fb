// How much the quarantine keeps: no file over 16 MiB, 64 MiB in all, no scan older than 90 days.
// The decision over a list of kept scans, and its report lines (portable).
#pragma once
#include <cstddef>
#include <cstdint>

#include "disinfect/quarantine_record.h"

const uint64_t kMaxKeptFileSize = 16u * 1024 * 1024;
const uint64_t kMaxQuarantineSize = 64u * 1024 * 1024;
const int64_t kMaxKeptScanAgeSeconds = 90 * 24 * 60 * 60;
// Scans the decision looks at; any more stay as they are until older ones have gone.
const int32_t kMaxKeptScans = 1000;

enum class DropReason {
    kKept,
    kTooOld,     // kept longer than 90 days
    kOverTotal,  // the oldest, dropped to keep the whole under 64 MiB
};

struct KeptScan {
    char scanId[kScanIdSize];
    int64_t keptAt;    // seconds on any one clock, the same as now's
    uint64_t bytes;    // everything in the scan's folder
    // Filled by PlanQuarantineBounds:
    DropReason reason;
    int32_t dropOrder; // 1 for the first to go, 0 for a scan that stays
};

// Marks the scans to drop: first every scan kept longer than 90 days, then the oldest until the
// rest and reserve fit 64 MiB; oldest first (by keptAt, then by ID) within each. reserve is room
// for what the running scan keeps: 0 at the start of a scan, and before a file that does not fit
// what is left, its size and what the scan already kept, so an old scan gives way to a new
// removal. A scan whose time lies ahead of now (a clock set back) counts as the newest. Returns
// how many are dropped.
int32_t PlanQuarantineBounds(KeptScan* scans, int32_t count, int64_t now, uint64_t reserve);

// The report's line for a dropped scan: "Quarantine: scan ID dropped (older than 90 days)".
bool FormatDropLine(const KeptScan& scan, char* line, size_t lineSize);

// Null when a file of size may be kept; for a file over 16 MiB the reason, for the record and the
// report ("larger than 16 MiB").
const char* KeptFileRefusal(uint64_t size);
// The reason given when even with every older scan gone a file does not fit.
extern const char kQuarantineFullText[];
