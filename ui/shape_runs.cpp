// Rectangle runs of a window shape, gathered in region-data batches.
#include "ui/shape_runs.h"

#include <cstring>

namespace {

const int32_t kBoundEmpty = 0x7FFFFFFF;

ShapeHeader ReadHeader(const uint8_t* block)
{
    ShapeHeader header;
    std::memcpy(&header, block, sizeof(header));
    return header;
}

void WriteHeader(uint8_t* block, const ShapeHeader& header)
{
    std::memcpy(block, &header, sizeof(header));
}

// Emits the batch and starts the next one empty.
void FlushBatch(uint8_t* block, uint32_t capacity, ShapeBlockHost& host)
{
    host.EmitBatch(block, ShapeBlockBytes(capacity));
    ResetShapeHeader(block);
}

}  // namespace

static_assert(sizeof(ShapeHeader) == kShapeHeaderBytes, "header layout");
static_assert(sizeof(PixelRect) == kShapeRectBytes, "rectangle layout");

void ResetShapeHeader(uint8_t* block)
{
    ShapeHeader header;
    header.size = kShapeHeaderBytes;
    header.type = 1;
    header.count = 0;
    header.regionSize = 0;
    header.bound.left = kBoundEmpty;
    header.bound.top = kBoundEmpty;
    header.bound.right = 0;
    header.bound.bottom = 0;
    WriteHeader(block, header);
}

void CollectShapeRuns(const uint8_t* bits, int32_t width, int32_t height, size_t stride, uint32_t key,
                      bool excludeKey, uint8_t* block, uint32_t capacity, ShapeBlockHost& host)
{
    const uint8_t keyBlue = static_cast<uint8_t>(key);
    const uint8_t keyGreen = static_cast<uint8_t>(key >> 8);
    const uint8_t keyRed = static_cast<uint8_t>(key >> 16);
    if (!block)
        return;
    if (capacity == 0) {
        uint8_t* grown = host.GrowBlock(kShapeGrowStep);
        if (!grown) {
            if (host.BlockLost())
                return;
            FlushBatch(block, capacity, host);
            return;
        }
        block = grown;
        capacity = kShapeGrowStep;
    }

    for (int32_t y = 0; bits && width > 0 && y < height; ++y) {
        // Bottom-up image: the picture's top row is the last one in memory.
        const uint8_t* row = bits + static_cast<size_t>(height - 1 - y) * stride;
        int32_t x = 0;
        while (x < width) {
            const int32_t x0 = x;
            while (x < width) {
                const uint8_t* pixel = row + static_cast<size_t>(x) * 4;
                bool isKey = pixel[0] == keyBlue && pixel[1] == keyGreen && pixel[2] == keyRed;
                if (isKey == excludeKey)
                    break;
                ++x;
            }
            if (x > x0) {
                ShapeHeader header = ReadHeader(block);
                if (header.count >= capacity) {
                    uint8_t* grown = host.GrowBlock(capacity + kShapeGrowStep);
                    if (!grown && host.BlockLost())
                        return;
                    if (grown) {
                        block = grown;
                        capacity += kShapeGrowStep;
                    } else {
                        // No room to grow: turn what we have into a region now and reuse the block.
                        FlushBatch(block, capacity, host);
                    }
                    header = ReadHeader(block);
                }
                PixelRect rect = { x0, y, x, y + 1 };
                std::memcpy(block + kShapeHeaderBytes + kShapeRectBytes * header.count, &rect, sizeof(rect));
                if (rect.left < header.bound.left)
                    header.bound.left = rect.left;
                if (rect.top < header.bound.top)
                    header.bound.top = rect.top;
                if (rect.right > header.bound.right)
                    header.bound.right = rect.right;
                if (rect.bottom > header.bound.bottom)
                    header.bound.bottom = rect.bottom;
                ++header.count;
                WriteHeader(block, header);
                if (header.count == kShapeBatchLimit)
                    FlushBatch(block, capacity, host);
            }
            ++x;  // the pixel that ended the run is outside
        }
    }
    FlushBatch(block, capacity, host);
}
