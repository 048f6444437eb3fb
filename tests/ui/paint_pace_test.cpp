// Paint pace of the current-file line: due only when the text changed and the period has passed.
#include <doctest.h>

#include <cstdint>
#include <string>

#include "ui/paint_pace.h"

TEST_CASE("a changed line is painted again once the period has passed, across the tick count's wrap")
{
    struct Row {
        const char* label;
        bool changed;
        uint32_t lastPaint;
        uint32_t now;
        bool due;
    };
    const uint32_t kPeriod = 30;
    const Row rows[] = {
        { "unchanged text: never due", false, 1000, 100000, false },
        { "same tick", true, 1000, 1000, false },
        { "one tick short", true, 1000, 1029, false },
        { "exactly the period", true, 1000, 1030, true },
        { "long after", true, 1000, 3601000, true },
        { "period reached across the wrap", true, 0xFFFFFFF0u, 0x0000000Eu, true },
        { "short of the period across the wrap", true, 0xFFFFFFF0u, 0x0000000Cu, false },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        CHECK(LinePaintDue(row.changed, row.lastPaint, row.now, kPeriod) == row.due);
    }
}
