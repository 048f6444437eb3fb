// The quarantine's bounds: which kept scans go, why, and in what order.
#include <doctest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "disinfect/quarantine_bounds.h"

namespace {

const uint64_t kMiB = 1024 * 1024;
const int64_t kDay = 24 * 60 * 60;
const int64_t kNow = 400 * kDay;

struct Scan {
    const char* id;
    int64_t ageDays;
    uint64_t mib;
};

// The dropped scans in their order, each as "ID:old" or "ID:size".
std::string Plan(const std::vector<Scan>& list, uint64_t reserve = 0, int64_t extraSeconds = 0)
{
    std::vector<KeptScan> scans(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        std::strcpy(scans[i].scanId, list[i].id);
        scans[i].keptAt = kNow - list[i].ageDays * kDay - extraSeconds;
        scans[i].bytes = list[i].mib * kMiB;
    }
    int32_t dropped = PlanQuarantineBounds(scans.data(), static_cast<int32_t>(scans.size()), kNow, reserve);
    std::string out;
    for (int32_t order = 1; order <= dropped; ++order) {
        for (const KeptScan& scan : scans) {
            if (scan.dropOrder == order)
                out += std::string(out.empty() ? "" : " ") + scan.scanId + (scan.reason == DropReason::kTooOld ? ":old" : ":size");
        }
    }
    return out;
}

}  // namespace

TEST_CASE("old scans go first, then the oldest until the rest fit")
{
    struct Row {
        const char* label;
        std::vector<Scan> scans;
        uint64_t reserveMib;
        std::string dropped;
    } rows[] = {
        {"nothing kept", {}, 0, ""},
        {"all young and small", {{"1", 1, 10}, {"2", 2, 10}}, 0, ""},
        {"exactly 64 MiB stays", {{"1", 1, 32}, {"2", 2, 32}}, 0, ""},
        {"65 MiB drops the oldest", {{"1", 1, 33}, {"2", 2, 32}}, 0, "2:size"},
        {"90 days stays", {{"1", 90, 1}}, 0, ""},
        {"older than 90 days goes whatever its size", {{"1", 91, 0}, {"2", 1, 1}}, 0, "1:old"},
        {"old ones oldest first, before any for size",
         {{"young", 1, 40}, {"older", 200, 1}, {"old", 100, 1}, {"mid", 30, 40}}, 0, "older:old old:old mid:size"},
        {"size drops the oldest until the rest fit", {{"a", 10, 30}, {"b", 20, 30}, {"c", 30, 30}}, 0, "c:size"},
        {"a single scan over 64 MiB goes", {{"a", 1, 70}}, 0, "a:size"},
        {"a reserve makes room for the running scan", {{"a", 10, 30}, {"b", 20, 30}}, 16, "b:size"},
        {"a reserve that fits drops nothing", {{"a", 10, 30}, {"b", 20, 18}}, 16, ""},
        {"a reserve over 64 MiB drops everything", {{"a", 10, 1}, {"b", 20, 1}}, 65, "b:size a:size"},
        {"a time ahead of now counts as the newest", {{"future", -5, 40}, {"past", 5, 40}}, 0, "past:size"},
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        CHECK(Plan(row.scans, row.reserveMib * kMiB) == row.dropped);
    }
    // One second past 90 days is too old; ties in time go by ID.
    CHECK(Plan({{"1", 90, 1}}, 0, 1) == "1:old");
    CHECK(Plan({{"b", 1, 40}, {"a", 1, 40}}) == "a:size");
}

TEST_CASE("the report's lines and the per-file bound")
{
    KeptScan scan{};
    std::strcpy(scan.scanId, "20260901-101010");
    scan.reason = DropReason::kTooOld;
    char line[128];
    CHECK(FormatDropLine(scan, line, sizeof(line)));
    CHECK(std::string(line) == "Quarantine: scan 20260901-101010 dropped (older than 90 days)");
    scan.reason = DropReason::kOverTotal;
    CHECK(FormatDropLine(scan, line, sizeof(line)));
    CHECK(std::string(line) == "Quarantine: scan 20260901-101010 dropped (the quarantine is kept under 64 MiB)");

    CHECK(KeptFileRefusal(0) == nullptr);
    CHECK(KeptFileRefusal(kMaxKeptFileSize) == nullptr);
    CHECK(std::string(KeptFileRefusal(kMaxKeptFileSize + 1)) == "larger than 16 MiB");
}

TEST_CASE("more scans than the decision looks at: the rest stay")
{
    std::vector<KeptScan> scans(kMaxKeptScans + 5);
    for (size_t i = 0; i < scans.size(); ++i) {
        std::snprintf(scans[i].scanId, sizeof(scans[i].scanId), "%zu", i + 1);
        scans[i].keptAt = 0;
        scans[i].bytes = 0;
    }
    CHECK(PlanQuarantineBounds(scans.data(), static_cast<int32_t>(scans.size()), kNow, 0) == kMaxKeptScans);
    CHECK(scans[kMaxKeptScans].dropOrder == 0);
}
