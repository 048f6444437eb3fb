// Rectangle runs of a window shape: coverage, batching, bounds, key byte order, growth failure.
#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/shape_runs.h"

namespace {

const uint32_t kMagenta = 0x00FF00FF;
const uint32_t kInk = 0x00204080;

// A bottom-up 32-bit image made from rows written top row first: '.' is magenta, '#' ink.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bits;

    explicit Picture(const std::vector<std::string>& rows)
    {
        height = static_cast<int32_t>(rows.size());
        width = rows.empty() ? 0 : static_cast<int32_t>(rows[0].size());
        bits.assign(static_cast<size_t>(width) * height * 4 + 4, 0);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                Set(x, y, rows[y][x] == '.' ? kMagenta : kInk);
    }
    Picture(int32_t w, int32_t h, uint32_t fill) : width(w), height(h)
    {
        bits.assign(static_cast<size_t>(w) * h * 4 + 4, 0);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                Set(x, y, fill);
    }
    void Set(int32_t x, int32_t y, uint32_t value)  // y counted from the top of the picture
    {
        size_t at = (static_cast<size_t>(height - 1 - y) * width + x) * 4;
        for (int i = 0; i < 4; ++i)
            bits[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
};

struct Batch {
    ShapeHeader header;
    uint32_t bytes;
    std::vector<PixelRect> rects;
};

// Keeps the block in a vector; can refuse to grow past a capacity.
class RecordingHost : public ShapeBlockHost {
public:
    explicit RecordingHost(uint32_t growLimit = 0xFFFFFFFF) : m_growLimit(growLimit)
    {
        m_block.assign(ShapeBlockBytes(kShapeInitialCapacity), 0xCD);
        m_capacity = kShapeInitialCapacity;
        ResetShapeHeader(m_block.data());
    }
    uint8_t* GrowBlock(uint32_t newCapacity) override
    {
        ++growCalls;
        if (loseOnGrow) {
            // As a block moved by the reallocation and then not locked: the old bytes are gone.
            std::vector<uint8_t>().swap(m_block);
            return nullptr;
        }
        if (newCapacity > m_growLimit)
            return nullptr;
        m_block.resize(ShapeBlockBytes(newCapacity), 0xCD);
        m_capacity = newCapacity;
        return m_block.data();
    }
    void EmitBatch(const uint8_t* block, uint32_t bytes) override
    {
        CHECK(block == m_block.data());
        Batch batch;
        std::memcpy(&batch.header, block, sizeof(batch.header));
        batch.bytes = bytes;
        CHECK(batch.header.count <= m_capacity);
        for (uint32_t i = 0; i < batch.header.count; ++i) {
            PixelRect rect;
            std::memcpy(&rect, block + kShapeHeaderBytes + i * kShapeRectBytes, sizeof(rect));
            batch.rects.push_back(rect);
        }
        batches.push_back(batch);
    }
    void Run(const Picture& picture, uint32_t key, bool excludeKey)
    {
        RunRaw(picture.bits.data(), picture.width, picture.height, static_cast<size_t>(picture.width) * 4, key,
               excludeKey);
    }
    void RunRaw(const uint8_t* bits, int32_t width, int32_t height, size_t stride, uint32_t key, bool excludeKey)
    {
        CollectShapeRuns(bits, width, height, stride, key, excludeKey, m_block.data(), m_capacity, *this);
    }
    size_t RectCount() const
    {
        size_t count = 0;
        for (const Batch& batch : batches)
            count += batch.rects.size();
        return count;
    }
    // The union of every batch, as rows of '#' (inside) and '.' (outside).
    std::vector<std::string> Coverage(int32_t width, int32_t height) const
    {
        std::vector<std::string> rows(height, std::string(width, '.'));
        for (const Batch& batch : batches)
            for (const PixelRect& rect : batch.rects) {
                bool sane = rect.bottom == rect.top + 1 && rect.left >= 0 && rect.right <= width && rect.top >= 0 &&
                            rect.top < height;
                CHECK(sane);
                if (!sane)
                    continue;
                for (int32_t x = rect.left; x < rect.right; ++x) {
                    CHECK(rows[rect.top][x] == '.');  // runs never overlap
                    rows[rect.top][x] = '#';
                }
            }
        return rows;
    }

    bool BlockLost() const override { return loseOnGrow && growCalls > 0; }

    std::vector<Batch> batches;
    int growCalls = 0;
    bool loseOnGrow = false;

private:
    std::vector<uint8_t> m_block;
    uint32_t m_capacity;
    uint32_t m_growLimit;
};

std::vector<std::string> Complement(const std::vector<std::string>& rows)
{
    std::vector<std::string> result = rows;
    for (std::string& row : result)
        for (char& c : row)
            c = c == '.' ? '#' : '.';
    return result;
}

}  // namespace

TEST_CASE("inside pixels become one rectangle per run, rows counted from the top")
{
    struct Row {
        const char* label;
        std::vector<std::string> picture;
        size_t rects;
        PixelRect bound;
    };
    const Row rows[] = {
        { "no key pixel: one full-width rectangle per row", { "####", "####", "####" }, 3, { 0, 0, 4, 3 } },
        { "a row of key pixels gives nothing", { "###", "...", "#.#" }, 3, { 0, 0, 3, 3 } },
        { "single inside pixel between key pixels", { ".....", "..#..", "....." }, 1, { 2, 1, 3, 2 } },
        { "run that reaches the right edge ends at the width", { "..##", "#..." }, 2, { 0, 0, 4, 2 } },
        { "top and bottom rows differ (bottom-up memory)", { "#...", "....", "...#" }, 2, { 0, 0, 4, 3 } },
        { "every pixel is key", { "...", "..." }, 0, { 0x7FFFFFFF, 0x7FFFFFFF, 0, 0 } },
        { "alternating pixels", { "#.#.#", ".#.#." }, 5, { 0, 0, 5, 2 } },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        Picture picture(row.picture);
        RecordingHost host;
        host.Run(picture, kMagenta, true);
        CHECK(host.batches.size() == 1);
        if (host.batches.size() != 1)
            continue;
        const Batch& batch = host.batches[0];
        CHECK(batch.header.size == 32);
        CHECK(batch.header.type == 1);
        CHECK(batch.header.regionSize == 0);
        CHECK(batch.bytes == ShapeBlockBytes(kShapeInitialCapacity));
        CHECK(host.RectCount() == row.rects);
        CHECK(batch.header.bound.left == row.bound.left);
        CHECK(batch.header.bound.top == row.bound.top);
        CHECK(batch.header.bound.right == row.bound.right);
        CHECK(batch.header.bound.bottom == row.bound.bottom);
        CHECK(host.Coverage(picture.width, picture.height) == row.picture);

        // With the flag cleared the shape is exactly the key pixels: the complement.
        RecordingHost keyOnly;
        keyOnly.Run(picture, kMagenta, false);
        CHECK(keyOnly.Coverage(picture.width, picture.height) == Complement(row.picture));
    }
}

TEST_CASE("the key is compared byte by byte: low byte blue, then green, then red; top byte ignored")
{
    struct Row {
        const char* label;
        uint32_t key;
        uint32_t pixel;  // as stored: bytes blue, green, red, spare
        bool isKey;
    };
    const Row rows[] = {
        { "0x000000FF matches a pure blue pixel", 0x000000FF, 0x000000FF, true },
        { "0x000000FF does not match a pure red pixel", 0x000000FF, 0x00FF0000, false },
        { "the pixel's spare byte is ignored", 0x000000FF, 0x7F0000FF, true },
        { "the key's top byte is ignored", 0xAA00FF00, 0x0000FF00, true },
        { "no tolerance: one step off is not the key", 0x00FF00FF, 0x00FE00FF, false },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        Picture picture(3, 1, kInk);
        picture.Set(1, 0, row.pixel);
        RecordingHost host;
        host.Run(picture, row.key, true);
        CHECK(host.Coverage(3, 1) == std::vector<std::string>{ row.isKey ? "#.#" : "###" });
    }
}

TEST_CASE("a batch is emitted at 2000 rectangles and the count and bound restart")
{
    struct Row {
        const char* label;
        int32_t height;  // one rectangle per row of a one-pixel-wide picture
        std::vector<uint32_t> counts;
    };
    const Row rows[] = {
        { "1999 rectangles: one batch", 1999, { 1999 } },
        { "exactly 2000: a full batch and a final empty one", 2000, { 2000, 0 } },
        { "2001: a full batch and a final one of one", 2001, { 2000, 1 } },
        { "4000: two full batches and a final empty one", 4000, { 2000, 2000, 0 } },
    };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        Picture picture(1, row.height, kInk);
        RecordingHost host;
        host.Run(picture, kMagenta, true);
        CHECK(host.batches.size() == row.counts.size());
        if (host.batches.size() != row.counts.size())
            continue;
        for (size_t i = 0; i < row.counts.size(); ++i) {
            const Batch& batch = host.batches[i];
            CHECK(batch.header.count == row.counts[i]);
            // The whole block goes to the conversion; it never grows past 2000 rectangles.
            CHECK(batch.bytes <= ShapeBlockBytes(kShapeBatchLimit));
            if (batch.header.count == 0) {
                CHECK(batch.header.bound.left == 0x7FFFFFFF);
                CHECK(batch.header.bound.top == 0x7FFFFFFF);
                CHECK(batch.header.bound.right == 0);
                CHECK(batch.header.bound.bottom == 0);
            } else {
                CHECK(batch.header.bound.top == batch.rects.front().top);
                CHECK(batch.header.bound.bottom == batch.rects.back().bottom);
            }
        }
        CHECK(host.Coverage(1, row.height) == std::vector<std::string>(row.height, "#"));
    }
    RecordingHost host;
    host.Run(Picture(1, 2000, kInk), kMagenta, true);
    CHECK(host.growCalls == 19);  // 100 → 2000 in steps of 100
    CHECK((!host.batches.empty() && host.batches[0].bytes == 32032));
}

TEST_CASE("a block that cannot grow is turned into a region early and no pixel is lost")
{
    Picture picture(3, 250, kInk);
    for (int32_t y = 0; y < 250; ++y)
        picture.Set(1, y, kMagenta);  // two runs per row: 500 rectangles
    RecordingHost host(kShapeInitialCapacity);
    host.Run(picture, kMagenta, true);
    CHECK(host.batches.size() == 5);
    for (size_t i = 0; i < host.batches.size(); ++i)
        CHECK(host.batches[i].header.count == 100);
    CHECK(host.RectCount() == 500);
    CHECK(host.Coverage(3, 250) == std::vector<std::string>(250, "#.#"));
}

TEST_CASE("a block lost while growing ends the collection without touching it again")
{
    Picture picture(3, 250, kInk);
    for (int32_t y = 0; y < 250; ++y)
        picture.Set(1, y, kMagenta);
    RecordingHost host;
    host.loseOnGrow = true;
    host.Run(picture, kMagenta, true);  // the sanitizer reports any write to the freed block
    CHECK(host.growCalls == 1);
    CHECK(host.batches.empty());
}

TEST_CASE("zero width or height scans nothing but still ends with one empty batch")
{
    struct Row {
        const char* label;
        int32_t width;
        int32_t height;
    };
    const Row rows[] = { { "zero width", 0, 5 }, { "zero height", 5, 0 }, { "both zero", 0, 0 }, { "negative", -3, 4 } };
    for (const Row& row : rows) {
        INFO(std::string(row.label));
        std::vector<uint8_t> bits(4, 0);
        RecordingHost host;
        host.RunRaw(bits.data(), row.width, row.height, 0, kMagenta, true);
        CHECK(host.batches.size() == 1);
        CHECK((!host.batches.empty() && host.batches[0].header.count == 0));
    }
}
