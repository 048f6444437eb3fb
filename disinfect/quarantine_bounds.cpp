// The quarantine's bounds: which kept scans go, and in what order.
#include "disinfect/quarantine_bounds.h"

#include "base/text.h"

const char kQuarantineFullText[] = "the quarantine is full (64 MiB)";

namespace {

// Whether a goes before b: the older first, and an ID order for the same time so the choice does
// not depend on how the folder was listed.
bool Older(const KeptScan& a, const KeptScan& b)
{
    if (a.keptAt != b.keptAt)
        return a.keptAt < b.keptAt;
    return CompareNoCase(a.scanId, b.scanId) < 0;
}

// The oldest scan still kept that passes the test, or -1.
template <typename Test>
int32_t OldestKept(const KeptScan* scans, int32_t count, Test test)
{
    int32_t oldest = -1;
    for (int32_t i = 0; i < count; ++i) {
        if (scans[i].reason == DropReason::kKept && test(scans[i]) && (oldest < 0 || Older(scans[i], scans[oldest])))
            oldest = i;
    }
    return oldest;
}

}  // namespace

int32_t PlanQuarantineBounds(KeptScan* scans, int32_t count, int64_t now, uint64_t reserve)
{
    if (count > kMaxKeptScans)
        count = kMaxKeptScans;
    uint64_t total = 0;
    for (int32_t i = 0; i < count; ++i) {
        scans[i].reason = DropReason::kKept;
        scans[i].dropOrder = 0;
        total += scans[i].bytes;
    }
    int32_t dropped = 0;
    // Subtraction on the later side: keptAt and now come from the file system and the clock.
    auto tooOld = [now](const KeptScan& scan) { return scan.keptAt < now && now - scan.keptAt > kMaxKeptScanAgeSeconds; };
    for (int32_t i; (i = OldestKept(scans, count, tooOld)) >= 0;) {
        scans[i].reason = DropReason::kTooOld;
        scans[i].dropOrder = ++dropped;
        total -= scans[i].bytes;
    }
    auto any = [](const KeptScan&) { return true; };
    for (int32_t i; (reserve > kMaxQuarantineSize || total > kMaxQuarantineSize - reserve) &&
                    (i = OldestKept(scans, count, any)) >= 0;) {
        scans[i].reason = DropReason::kOverTotal;
        scans[i].dropOrder = ++dropped;
        total -= scans[i].bytes;
    }
    return dropped;
}

bool FormatDropLine(const KeptScan& scan, char* line, size_t lineSize)
{
    const char* why = scan.reason == DropReason::kTooOld ? "older than 90 days" : "the quarantine is kept under 64 MiB";
    return FormatText(line, lineSize, "Quarantine: scan %s dropped (%s)", scan.scanId, why);
}

const char* KeptFileRefusal(uint64_t size)
{
    return size > kMaxKeptFileSize ? "larger than 16 MiB" : nullptr;
}
