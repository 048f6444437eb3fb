// The paint pace of the current-file line.
#include "ui/paint_pace.h"

bool LinePaintDue(bool changed, uint32_t lastPaint, uint32_t now, uint32_t periodMs)
{
    // Unsigned difference: still right when the tick count has wrapped since the last paint.
    return changed && now - lastPaint >= periodMs;
}
