// When a line whose text changes faster than any screen shows frames is painted again.
#pragma once
#include <cstdint>

// True when a line whose text changed since its last paint is due for another: periodMs or more
// have passed since lastPaint. Both are millisecond tick counts, which wrap around at 2^32.
bool LinePaintDue(bool changed, uint32_t lastPaint, uint32_t now, uint32_t periodMs);
