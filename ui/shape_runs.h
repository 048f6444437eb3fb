// Turns the pixels of a 32-bit bottom-up image into the one-pixel-high rectangles of a window region,
// in batches laid out exactly as the system's region-data record (header, then rectangles).
#pragma once
#include <cstddef>
#include <cstdint>

#include "ui/pixel_rect.h"

// Same layout as the system's RGNDATAHEADER.
struct ShapeHeader {
    uint32_t size;        // 32
    uint32_t type;        // 1, rectangles
    uint32_t count;       // valid rectangles in the batch
    uint32_t regionSize;  // 0
    PixelRect bound;      // bounding box of the valid rectangles
};

const uint32_t kShapeHeaderBytes = 32;
const uint32_t kShapeRectBytes = 16;
const uint32_t kShapeInitialCapacity = 100;  // rectangles
const uint32_t kShapeGrowStep = 100;         // rectangles
const uint32_t kShapeBatchLimit = 2000;      // rectangles per region conversion

inline uint32_t ShapeBlockBytes(uint32_t capacity)
{
    return kShapeHeaderBytes + kShapeRectBytes * capacity;
}

// The Win32 side keeps the block in movable global memory; tests keep it in a vector.
class ShapeBlockHost {
public:
    virtual ~ShapeBlockHost() = default;
    // Makes the block hold newCapacity rectangles, keeping its bytes. Returns its (possibly moved)
    // start, or null when it cannot grow; the old block then stays valid and in use, unless
    // BlockLost says that the failed growth left no block at all.
    virtual uint8_t* GrowBlock(uint32_t newCapacity) = 0;
    // True once a failed GrowBlock took the block away (moved but not lockable again): the
    // collection then stops at once and never touches the old block.
    virtual bool BlockLost() const { return false; }
    // Turns one batch into a region and merges it into the result. bytes is the whole block
    // (header and every rectangle slot); the header's count says how many rectangles are valid.
    virtual void EmitBatch(const uint8_t* block, uint32_t bytes) = 0;
};

// Writes an empty header (count 0, bound reset) at the start of block.
void ResetShapeHeader(uint8_t* block);

// Collects the runs of pixels that are inside the shape: pixels whose blue, green and red bytes
// differ from the key's bytes 0, 1 and 2 when excludeKey is set, or equal them when it is not.
// bits is the first row in memory of a bottom-up image of width × height 32-bit pixels, stride
// bytes apart, so the top row of the picture is the last in memory. block holds capacity
// rectangles and an initialised header. A batch is emitted at every kShapeBatchLimit rectangles
// and once more at the end (also when empty). If the block cannot grow, the rectangles gathered so
// far are emitted early and collection goes on in the block it has, so no pixel is lost.
void CollectShapeRuns(const uint8_t* bits, int32_t width, int32_t height, size_t stride, uint32_t key,
                      bool excludeKey, uint8_t* block, uint32_t capacity, ShapeBlockHost& host);
