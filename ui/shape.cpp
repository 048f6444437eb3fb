// Window shape from a bitmap: copies it to 32-bit pixels, gathers the runs and turns them into a
// region batch by batch; and proportional scaling of child windows.
#include "ui/shape.h"

#include <cstddef>
#include "base/win32_scope.h"
#include "ui/shape_runs.h"

static_assert(sizeof(RGNDATAHEADER) == kShapeHeaderBytes, "region header layout");
static_assert(offsetof(RGNDATAHEADER, nCount) == offsetof(ShapeHeader, count), "region header layout");
static_assert(offsetof(RGNDATAHEADER, rcBound) == offsetof(ShapeHeader, bound), "region header layout");

namespace {

// The rectangle block in movable global memory, locked while written, and the merged result.
class RegionBlockHost : public ShapeBlockHost {
public:
    RegionBlockHost() : m_memory(nullptr), m_block(nullptr), m_bLost(false) {}
    ~RegionBlockHost() override
    {
        if (m_memory) {
            if (m_block)
                GlobalUnlock(m_memory);
            GlobalFree(m_memory);
        }
    }
    RegionBlockHost(const RegionBlockHost&) = delete;
    RegionBlockHost& operator=(const RegionBlockHost&) = delete;

    uint8_t* Open(uint32_t capacity)
    {
        m_memory = GlobalAlloc(GMEM_MOVEABLE, ShapeBlockBytes(capacity));
        if (m_memory)
            m_block = static_cast<uint8_t*>(GlobalLock(m_memory));
        return m_block;
    }

    uint8_t* GrowBlock(uint32_t newCapacity) override
    {
        GlobalUnlock(m_memory);
        m_block = nullptr;
        HGLOBAL grown = GlobalReAlloc(m_memory, ShapeBlockBytes(newCapacity), GMEM_MOVEABLE);
        if (grown)
            m_memory = grown;
        m_block = static_cast<uint8_t*>(GlobalLock(m_memory));
        if (!m_block) {
            // Moved or not, the block cannot be reached again: the caller must not go on in it.
            m_bLost = true;
            return nullptr;
        }
        if (!grown)
            return nullptr;  // the old block, locked again, stays in use
        return m_block;
    }
    bool BlockLost() const override { return m_bLost; }

    void EmitBatch(const uint8_t* block, uint32_t bytes) override
    {
        ScopedRegion batch(ExtCreateRegion(nullptr, bytes, reinterpret_cast<const RGNDATA*>(block)));
        if (!batch.Get())
            return;  // that batch's pixels are missing from the shape
        if (!m_result.Get()) {
            m_result.Reset(batch.Detach());
            return;
        }
        CombineRgn(m_result, m_result, batch, RGN_OR);
    }

    bool Locked() const { return m_block != nullptr; }
    HRGN TakeResult() { return m_result.Detach(); }

private:
    HGLOBAL m_memory;
    uint8_t* m_block;
    ScopedRegion m_result;
    bool m_bLost;
};

}  // namespace

HRGN CreateShapeRegion(HBITMAP bitmap, COLORREF key, BOOL excludeKey)
{
    if (!bitmap)
        return nullptr;
    ScopedMemDC pixelDC(nullptr);
    if (!pixelDC.Get())
        return nullptr;
    BITMAP source = {};
    GetObjectA(bitmap, sizeof(source), &source);

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = source.bmWidth;
    header.biHeight = source.bmHeight;  // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    ScopedBitmap pixels(CreateDIBSection(pixelDC, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                         &bits, nullptr, 0));
    if (!pixels.Get())
        return nullptr;

    ScopedSelect pixelsSelected(pixelDC, pixels);
    ScopedMemDC sourceDC(pixelDC.Get());
    if (!sourceDC.Get())
        return nullptr;
    BITMAP work = {};
    GetObjectA(pixels, sizeof(work), &work);
    size_t stride = (static_cast<size_t>(work.bmWidthBytes) + 3) & ~static_cast<size_t>(3);
    {
        ScopedSelect sourceSelected(sourceDC, bitmap);
        BitBlt(pixelDC, 0, 0, source.bmWidth, source.bmHeight, sourceDC, 0, 0, SRCCOPY);
    }
    GdiFlush();  // the DIB bits are read directly below

    RegionBlockHost host;
    uint8_t* block = host.Open(kShapeInitialCapacity);
    if (!block)
        return nullptr;
    ResetShapeHeader(block);
    CollectShapeRuns(static_cast<const uint8_t*>(work.bmBits), source.bmWidth, source.bmHeight, stride, key,
                     excludeKey != 0, block, kShapeInitialCapacity, host);
    if (host.BlockLost())
        return nullptr;  // a partial shape would cut away parts of the window: stay rectangular
    return host.TakeResult();
}

BOOL CALLBACK ScaleChildProc(HWND child, LPARAM scalePair)
{
    const double* scale = reinterpret_cast<const double*>(scalePair);
    if (!(scale[0] > 0.0) || !(scale[1] > 0.0))
        return TRUE;  // a collapsed parent gives no usable ratio; leave the child where it is
    RECT rect;
    GetWindowRect(child, &rect);
    // Truncation toward zero, as the integer conversion of the quotient gives.
    int left = static_cast<int>(rect.left / scale[0]);
    int right = static_cast<int>(rect.right / scale[0]);
    int top = static_cast<int>(rect.top / scale[1]);
    int bottom = static_cast<int>(rect.bottom / scale[1]);
    POINT origin = { left, top };
    ScreenToClient(GetParent(child), &origin);
    MoveWindow(child, origin.x, origin.y, right - left, bottom - top, TRUE);
    return TRUE;
}

BOOL ScaleChildWindows(HWND parent, int designWidth, int designHeight)
{
    if (designWidth <= 0 || designHeight <= 0)
        return FALSE;
    RECT client;
    GetClientRect(parent, &client);
    double scale[2];
    scale[0] = static_cast<double>(client.right - client.left) / designWidth;
    scale[1] = static_cast<double>(client.bottom - client.top) / designHeight;
    return EnumChildWindows(parent, &ScaleChildProc, reinterpret_cast<LPARAM>(scale));
}
