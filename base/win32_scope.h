// One-job owners for kernel handles, registry keys, service handles, loaded libraries, memory
// blocks, GDI objects and device contexts, so every path out of a routine releases them.
#pragma once
#include <windows.h>

#include <cstdlib>

// Owns one handle of a kind that Traits describes: its type, its "none" value and its close call.
template <typename Traits>
class ScopedResource {
public:
    typedef typename Traits::Handle Handle;
    explicit ScopedResource(Handle handle = Traits::None()) : m_handle(handle) {}
    ~ScopedResource() { Close(); }
    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;

    Handle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Traits::None(); }
    // For the calls that hand back a new handle through a pointer; any held one is closed first.
    Handle* Out()
    {
        Close();
        return &m_handle;
    }
    // Closes now; false only when a held handle refused to close.
    bool Close()
    {
        bool closed = true;
        if (IsValid())
            closed = Traits::Close(m_handle);
        m_handle = Traits::None();
        return closed;
    }

private:
    Handle m_handle;
};

// Kernel objects whose "none" is null: processes, tokens.
struct KernelHandleTraits {
    typedef HANDLE Handle;
    static HANDLE None() { return nullptr; }
    static bool Close(HANDLE handle) { return CloseHandle(handle) != 0; }
};
// Kernel objects whose "none" is INVALID_HANDLE_VALUE: files, toolhelp snapshots.
struct FileHandleTraits {
    typedef HANDLE Handle;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static bool Close(HANDLE handle) { return CloseHandle(handle) != 0; }
};
struct FindHandleTraits {
    typedef HANDLE Handle;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static bool Close(HANDLE handle) { return FindClose(handle) != 0; }
};
struct RegistryKeyTraits {
    typedef HKEY Handle;
    static HKEY None() { return nullptr; }
    static bool Close(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};
struct ServiceHandleTraits {
    typedef SC_HANDLE Handle;
    static SC_HANDLE None() { return nullptr; }
    static bool Close(SC_HANDLE handle) { return CloseServiceHandle(handle) != 0; }
};
struct LibraryTraits {
    typedef HMODULE Handle;
    static HMODULE None() { return nullptr; }
    static bool Close(HMODULE library) { return FreeLibrary(library) != 0; }
};

typedef ScopedResource<KernelHandleTraits> ScopedHandle;
typedef ScopedResource<FileHandleTraits> ScopedFileHandle;
typedef ScopedResource<FindHandleTraits> ScopedFindHandle;
typedef ScopedResource<RegistryKeyTraits> ScopedRegistryKey;
typedef ScopedResource<ServiceHandleTraits> ScopedServiceHandle;
typedef ScopedResource<LibraryTraits> ScopedLibrary;

// A zero-filled block of the C run-time heap (or one handed over from a routine that took it
// there), freed at the end of the scope.
class ScopedHeapBlock {
public:
    explicit ScopedHeapBlock(void* data) : m_data(data) {}
    explicit ScopedHeapBlock(size_t size) : m_data(std::calloc(size, 1)) {}
    ~ScopedHeapBlock() { std::free(m_data); }
    ScopedHeapBlock(const ScopedHeapBlock&) = delete;
    ScopedHeapBlock& operator=(const ScopedHeapBlock&) = delete;
    template <typename Item>
    Item* As() const { return static_cast<Item*>(m_data); }

private:
    void* m_data;
};

// Text of any length on the process heap (registry data, a path's other spellings); Text() is
// always a terminated string, empty until something is written.
class RegistryData {
public:
    RegistryData() : m_data(nullptr), m_size(0) {}
    ~RegistryData()
    {
        if (m_data != nullptr)
            HeapFree(GetProcessHeap(), 0, m_data);
    }
    RegistryData(const RegistryData&) = delete;
    RegistryData& operator=(const RegistryData&) = delete;
    // Makes room for size bytes (old content is not kept). False when out of memory.
    bool Reserve(size_t size)
    {
        if (size <= m_size)
            return true;
        if (m_data != nullptr)
            HeapFree(GetProcessHeap(), 0, m_data);
        m_data = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
        m_size = m_data != nullptr ? size : 0;
        return m_data != nullptr;
    }
    char* Data() { return m_data; }
    size_t Size() const { return m_size; }
    const char* Text() const { return m_data != nullptr ? m_data : ""; }

private:
    char* m_data;
    size_t m_size;
};

// Deletes the GDI object it holds (bitmap, region) when it goes out of scope.
template <typename Handle>
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(Handle handle = nullptr) : m_handle(handle) {}
    ~ScopedGdiObject() { Reset(nullptr); }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

    Handle Get() const { return m_handle; }
    operator Handle() const { return m_handle; }
    // Hands the object to the caller, who then releases it (for example SetWindowRgn's region).
    Handle Detach()
    {
        Handle handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void Reset(Handle handle)
    {
        if (m_handle)
            DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle;
};

typedef ScopedGdiObject<HBITMAP> ScopedBitmap;
typedef ScopedGdiObject<HRGN> ScopedRegion;

// A memory device context (CreateCompatibleDC), deleted at the end of the scope.
class ScopedMemDC {
public:
    explicit ScopedMemDC(HDC reference) : m_dc(CreateCompatibleDC(reference)) {}
    ~ScopedMemDC()
    {
        if (m_dc)
            DeleteDC(m_dc);
    }
    ScopedMemDC(const ScopedMemDC&) = delete;
    ScopedMemDC& operator=(const ScopedMemDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};

// A window's device context (GetDC), released at the end of the scope.
class ScopedWindowDC {
public:
    explicit ScopedWindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~ScopedWindowDC()
    {
        if (m_dc)
            ReleaseDC(m_window, m_dc);
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// A screen-compatible memory context with one bitmap selected, kept for painting from it over a
// window's life. The context's own bitmap goes back before the context is deleted, so the held
// bitmap (the caller's) can be deleted afterwards.
class ScopedBitmapDC {
public:
    ScopedBitmapDC() : m_dc(nullptr), m_previous(nullptr) {}
    ~ScopedBitmapDC() { Release(); }
    ScopedBitmapDC(const ScopedBitmapDC&) = delete;
    ScopedBitmapDC& operator=(const ScopedBitmapDC&) = delete;
    // Makes the context and selects bitmap into it; false when no context could be made.
    bool Hold(HBITMAP bitmap)
    {
        Release();
        ScopedWindowDC screen(nullptr);
        m_dc = CreateCompatibleDC(screen);
        if (m_dc == nullptr)
            return false;
        m_previous = SelectObject(m_dc, bitmap);
        if (m_previous == HGDI_ERROR)
            m_previous = nullptr;
        return true;
    }
    void Release()
    {
        if (m_dc == nullptr)
            return;
        if (m_previous != nullptr)
            SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
        m_dc = nullptr;
        m_previous = nullptr;
    }
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// One paint cycle (BeginPaint/EndPaint) of a window.
class ScopedPaintDC {
public:
    explicit ScopedPaintDC(HWND window) : m_window(window) { m_dc = BeginPaint(window, &m_paint); }
    ~ScopedPaintDC() { EndPaint(m_window, &m_paint); }
    ScopedPaintDC(const ScopedPaintDC&) = delete;
    ScopedPaintDC& operator=(const ScopedPaintDC&) = delete;
    HDC Get() const { return m_dc; }
    operator HDC() const { return m_dc; }
    const PAINTSTRUCT& Paint() const { return m_paint; }

private:
    HWND m_window;
    HDC m_dc;
    PAINTSTRUCT m_paint;
};

// Selects an object into a device context and puts the previous one back at the end of the scope.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(nullptr)
    {
        if (dc && object) {
            m_previous = SelectObject(dc, object);
            if (m_previous == HGDI_ERROR)
                m_previous = nullptr;
        }
    }
    ~ScopedSelect()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    // False when the selection failed (no object, or the context refused it).
    bool Ok() const { return m_previous != nullptr; }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// Long-lived holders in the style of the window classes: an object that may hold one GDI object,
// deleted when a new one is made or the holder dies. Constant-initialised, so usable as globals.
template <typename Handle>
class CGdiHolder {
public:
    constexpr CGdiHolder() : m_hObject(nullptr) {}
    ~CGdiHolder() { DeleteObject(); }
    CGdiHolder(const CGdiHolder&) = delete;
    CGdiHolder& operator=(const CGdiHolder&) = delete;

    operator Handle() const { return m_hObject; }
    Handle GetSafeHandle() const { return m_hObject; }
    void Attach(Handle handle)
    {
        DeleteObject();
        m_hObject = handle;
    }
    Handle Detach()
    {
        Handle handle = m_hObject;
        m_hObject = nullptr;
        return handle;
    }
    // Returns TRUE when an object was held and deleted.
    BOOL DeleteObject()
    {
        if (!m_hObject)
            return FALSE;
        BOOL deleted = ::DeleteObject(m_hObject);
        m_hObject = nullptr;
        return deleted;
    }

protected:
    Handle m_hObject;
};

class CBitmap : public CGdiHolder<HBITMAP> {
public:
    // Fills bitmap with the BITMAP record; returns 0 when no bitmap is held.
    int GetBitmap(BITMAP* bitmap) const
    {
        if (!m_hObject)
            return 0;
        return GetObjectA(m_hObject, sizeof(BITMAP), bitmap);
    }
};

class CFont : public CGdiHolder<HFONT> {
public:
    BOOL CreateFontIndirect(const LOGFONTA* logFont)
    {
        Attach(::CreateFontIndirectA(logFont));
        return m_hObject != nullptr;
    }
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                    BYTE quality, BYTE pitchAndFamily, const char* faceName)
    {
        Attach(::CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                           charSet, outPrecision, clipPrecision, quality, pitchAndFamily, faceName));
        return m_hObject != nullptr;
    }
};

class CBrush : public CGdiHolder<HBRUSH> {
public:
    BOOL CreateSolidBrush(COLORREF colour)
    {
        Attach(::CreateSolidBrush(colour));
        return m_hObject != nullptr;
    }
};
