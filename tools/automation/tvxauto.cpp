// Automation client for the tests and the demo: drives Tarvex windows from another process the way
// a user would (buttons, keys, the close box) and reads back what the windows show.
// Usage: tvxauto <command> [args]; see Usage() below. Exit 0 on success, 1 on failure or timeout.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text.h"

namespace {

struct Selector {
    char title[256];
    int childId;  // -1: any window with the title
};

struct FindContext {
    const Selector* selector;
    HWND found[64];
    int count;
};

void ParseSelector(const char* text, Selector* selector)
{
    CopyText(selector->title, sizeof(selector->title), text);
    selector->childId = -1;
    char* at = std::strrchr(selector->title, '@');
    if (at != nullptr && at[1] != '\0') {
        char* end = nullptr;
        long id = std::strtol(at + 1, &end, 10);
        if (end != nullptr && *end == '\0') {
            selector->childId = static_cast<int>(id);
            *at = '\0';
        }
    }
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    FindContext* context = reinterpret_cast<FindContext*>(param);
    if (!IsWindowVisible(window))
        return TRUE;
    char title[256] = "";
    GetWindowTextA(window, title, sizeof(title));
    if (std::strcmp(title, context->selector->title) != 0)
        return TRUE;
    if (context->selector->childId >= 0 && GetDlgItem(window, context->selector->childId) == nullptr)
        return TRUE;
    if (context->count < 64)
        context->found[context->count++] = window;
    return TRUE;
}

int FindAll(const Selector& selector, HWND* first)
{
    FindContext context = {};
    context.selector = &selector;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&context));
    if (first != nullptr)
        *first = context.count > 0 ? context.found[0] : nullptr;
    return context.count;
}

HWND WaitFor(const Selector& selector, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = nullptr;
        if (FindAll(selector, &window) > 0)
            return window;
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

HWND Control(HWND window, const char* idText)
{
    return GetDlgItem(window, std::atoi(idText));
}

int Fail(const char* what)
{
    std::fprintf(stderr, "tvxauto: %s\n", what);
    return 1;
}

void PrintListLines(HWND list, int from, int to)
{
    for (int i = from; i < to; ++i) {
        // Cross-process list box text must be read in the W form under Wine.
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        if (length < 0 || length > 4096) {
            std::printf("\n");
            continue;
        }
        WCHAR wide[4097] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
        char text[8200] = "";
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
        std::printf("%s\n", text);
    }
    std::fflush(stdout);
}

// A screen rectangle copied into a DIB section of bitCount bits a pixel, rows top-down or bottom-up;
// Bits() is null when it could not be made or copied.
class ScreenCapture {
public:
    ScreenCapture(const RECT& rect, WORD bitCount, bool topDown)
    {
        int width = rect.right - rect.left;
        int height = rect.bottom - rect.top;
        m_info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        m_info.bmiHeader.biWidth = width;
        m_info.bmiHeader.biHeight = topDown ? -height : height;
        m_info.bmiHeader.biPlanes = 1;
        m_info.bmiHeader.biBitCount = bitCount;
        m_info.bmiHeader.biCompression = BI_RGB;
        if (width <= 0 || height <= 0)
            return;
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(screen, &m_info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (m_bitmap != nullptr) {
            HGDIOBJ old = SelectObject(memory, m_bitmap);
            if (BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY))
                m_bits = bits;
            GdiFlush();
            SelectObject(memory, old);
        }
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    }
    ~ScreenCapture()
    {
        if (m_bitmap != nullptr)
            DeleteObject(m_bitmap);
    }
    ScreenCapture(const ScreenCapture&) = delete;
    ScreenCapture& operator=(const ScreenCapture&) = delete;
    const void* Bits() const { return m_bits; }
    BITMAPINFOHEADER& Header() { return m_info.bmiHeader; }

private:
    BITMAPINFO m_info = {};
    HBITMAP m_bitmap = nullptr;
    void* m_bits = nullptr;
};

bool SaveScreenBitmap(HWND window, const char* path)
{
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    ScreenCapture capture(rect, 24, false);
    if (capture.Bits() == nullptr)
        return false;
    BITMAPINFOHEADER& info = capture.Header();
    DWORD stride = ((static_cast<DWORD>(info.biWidth) * 3 + 3) & ~3u);
    DWORD imageSize = stride * static_cast<DWORD>(info.biHeight);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageSize;
    info.biSizeImage = imageSize;
    // "-" writes to standard output: the sandbox has no drive that reaches the caller's folders.
    bool toStdout = std::strcmp(path, "-") == 0;
    if (toStdout)
        _setmode(_fileno(stdout), _O_BINARY);
    FILE* file = toStdout ? stdout : std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    bool ok = std::fwrite(&header, sizeof(header), 1, file) == 1 &&
              std::fwrite(&info, sizeof(BITMAPINFOHEADER), 1, file) == 1 &&
              std::fwrite(capture.Bits(), imageSize, 1, file) == 1;
    return (toStdout ? std::fflush(file) == 0 : std::fclose(file) == 0) && ok;
}

// "ID:V,E" of one control (visible, enabled), or "ID:?,?" when the window has no such control.
void FormatControlState(HWND window, const char* idText, char* out, size_t outSize)
{
    HWND control = Control(window, idText);
    if (control == nullptr) {
        FormatText(out, outSize, "%s:?,?", idText);
        return;
    }
    FormatText(out, outSize, "%s:%d,%d", idText, (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) ? 1 : 0,
               IsWindowEnabled(control) ? 1 : 0);
}

// Whether a control's state matches a wanted "ID:V,E", where V or E may be * for either.
bool StateMatches(HWND window, const char* want)
{
    const char* colon = std::strchr(want, ':');
    if (colon == nullptr)
        return false;
    char idText[16];
    CopyTextN(idText, sizeof(idText), want, static_cast<size_t>(colon - want));
    char got[48];
    FormatControlState(window, idText, got, sizeof(got));
    const char* seen = std::strchr(got, ':');
    for (size_t i = 0; colon[i] != '\0'; ++i) {
        if (seen[i] == '\0')
            return false;
        if (colon[i] != '*' && colon[i] != seen[i])
            return false;
    }
    return seen[std::strlen(colon)] == '\0';
}

// One line "ID:V,E ID:V,E ...": a whole layout read in one process instead of a process a control.
void PrintLayout(HWND window, int count, char** ids)
{
    for (int i = 0; i < count; ++i) {
        char item[48];
        FormatControlState(window, ids[i], item, sizeof(item));
        std::printf(i == 0 ? "%s" : " %s", item);
    }
    std::printf("\n");
    std::fflush(stdout);
}

const DWORD kDefaultWaitMs = 10000;

DWORD MillisecondsArg(int argc, char** argv, int index, DWORD fallback)
{
    return argc > index ? std::strtoul(argv[index], nullptr, 10) : fallback;
}

// The pixels of a screen rectangle, 32 bits each, row by row; false when they could not be read.
bool ReadScreenPixels(const RECT& rect, DWORD* pixels, size_t count)
{
    size_t width = static_cast<size_t>(rect.right - rect.left);
    size_t height = static_cast<size_t>(rect.bottom - rect.top);
    if (rect.right <= rect.left || rect.bottom <= rect.top || width * height > count)
        return false;
    ScreenCapture capture(rect, 32, true);
    if (capture.Bits() == nullptr)
        return false;
    std::memcpy(pixels, capture.Bits(), width * height * sizeof(DWORD));
    return true;
}

// Compares a control as the screen shows it with the same control painted afresh: reads its pixels,
// has it repainted whole, reads them again. Prints how many pixels differ (0: the screen already
// showed what the control paints now) and how many differ from its top-left pixel (the ink).
int CheckRepaint(HWND control)
{
    const size_t kMaxPixels = 1024 * 64;
    static DWORD shown[kMaxPixels];
    static DWORD fresh[kMaxPixels];
    RECT rect;
    if (!GetWindowRect(control, &rect) || !ReadScreenPixels(rect, shown, kMaxPixels))
        return Fail("could not read the control's pixels");
    InvalidateRect(control, nullptr, TRUE);
    DWORD start = GetTickCount();
    while (GetUpdateRect(control, nullptr, FALSE)) {
        if (GetTickCount() - start >= 10000)
            return Fail("the control was not repainted");
        Sleep(20);
    }
    // Its thread takes this message only once the paint it began has returned.
    SendMessageTimeoutA(control, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
    if (!ReadScreenPixels(rect, fresh, kMaxPixels))
        return Fail("could not read the control's pixels");
    size_t count = static_cast<size_t>(rect.right - rect.left) * static_cast<size_t>(rect.bottom - rect.top);
    size_t differing = 0;
    size_t ink = 0;
    for (size_t i = 0; i < count; ++i) {
        if (shown[i] != fresh[i])
            ++differing;
        if (fresh[i] != fresh[0])
            ++ink;
    }
    std::printf("differing=%u ink=%u\n", static_cast<unsigned>(differing), static_cast<unsigned>(ink));
    return 0;
}

struct OwnedWindows {
    DWORD processId;
    HWND seen[16];
    int count;
};

BOOL CALLBACK NoteOwnedWindow(HWND window, LPARAM param)
{
    OwnedWindows* owned = reinterpret_cast<OwnedWindows*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != owned->processId)
        return TRUE;
    for (int i = 0; i < owned->count; ++i) {
        if (owned->seen[i] == window)
            return TRUE;
    }
    char title[256] = "";
    char className[128] = "";
    GetWindowTextA(window, title, sizeof(title));
    GetClassNameA(window, className, sizeof(className));
    std::printf("window %s \"%s\"\n", className, title);
    if (owned->count < 16)
        owned->seen[owned->count++] = window;
    return TRUE;
}

// Each command gets the whole argument vector: argv[1] is the command, argv[2] the selector.
int CmdWait(HWND, const Selector& selector, int argc, char** argv)
{
    HWND window = WaitFor(selector, MillisecondsArg(argc, argv, 3, kDefaultWaitMs));
    if (window == nullptr)
        return Fail("window not found");
    std::printf("%p\n", static_cast<void*>(window));
    return 0;
}

int CmdGone(HWND, const Selector& selector, int argc, char** argv)
{
    DWORD limit = MillisecondsArg(argc, argv, 3, kDefaultWaitMs);
    DWORD start = GetTickCount();
    while (FindAll(selector, nullptr) > 0) {
        if (GetTickCount() - start >= limit)
            return Fail("window still there");
        Sleep(50);
    }
    return 0;
}

int CmdCount(HWND, const Selector& selector, int, char**)
{
    std::printf("%d\n", FindAll(selector, nullptr));
    return 0;
}

int CmdClick(HWND window, const Selector&, int, char** argv)
{
    HWND control = Control(window, argv[3]);
    if (control == nullptr)
        return Fail("no such control");
    // Posted, not sent: a click that opens a modal dialog must not block the client.
    PostMessageA(control, BM_CLICK, 0, 0);
    return 0;
}

int PostKey(HWND window, const char* keyText, bool system)
{
    WPARAM key = static_cast<WPARAM>(std::atoi(keyText));
    UINT scan = MapVirtualKeyA(static_cast<UINT>(key), 0);
    LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16) | (system ? (1L << 29) : 0);
    LPARAM up = down | (1L << 30) | (1L << 31);
    PostMessageA(window, system ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
    PostMessageA(window, system ? WM_SYSKEYUP : WM_KEYUP, key, up);
    return 0;
}

int CmdKey(HWND window, const Selector&, int, char** argv) { return PostKey(window, argv[3], false); }
int CmdSysKey(HWND window, const Selector&, int, char** argv) { return PostKey(window, argv[3], true); }

int CmdSysCommand(HWND window, const Selector&, int, char** argv)
{
    PostMessageA(window, WM_SYSCOMMAND, static_cast<WPARAM>(std::strtoul(argv[3], nullptr, 10)), 0);
    return 0;
}

int CmdTimer(HWND window, const Selector&, int, char** argv)
{
    // A WM_TIMER without a callback, as a stray one from elsewhere would arrive.
    PostMessageA(window, WM_TIMER, static_cast<WPARAM>(std::strtoul(argv[3], nullptr, 10)), 0);
    return 0;
}

int CmdClose(HWND window, const Selector&, int, char**)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

int CmdText(HWND window, const Selector&, int argc, char** argv)
{
    HWND target = argc > 3 ? Control(window, argv[3]) : window;
    if (target == nullptr)
        return Fail("no such control");
    char text[1024] = "";
    SendMessageA(target, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    std::printf("%s\n", text);
    return 0;
}

int CmdWaitText(HWND window, const Selector&, int argc, char** argv)
{
    HWND control = Control(window, argv[3]);
    if (control == nullptr)
        return Fail("no such control");
    DWORD limit = MillisecondsArg(argc, argv, 5, kDefaultWaitMs);
    DWORD start = GetTickCount();
    for (;;) {
        char text[1024] = "";
        // Polled from here rather than by the caller: one check costs a message, not a process start.
        if (SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                                SMTO_NORMAL, 1000, nullptr) &&
            std::strcmp(text, argv[4]) == 0)
            return 0;
        if (GetTickCount() - start >= limit)
            return Fail("text not shown");
        Sleep(10);
    }
}

int CmdList(HWND window, const Selector&, int, char** argv)
{
    HWND list = Control(window, argv[3]);
    if (list == nullptr)
        return Fail("no such control");
    LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    PrintListLines(list, 0, count < 0 ? 0 : static_cast<int>(count));
    return 0;
}

int CmdWatch(HWND window, const Selector&, int argc, char** argv)
{
    HWND list = Control(window, argv[3]);
    if (list == nullptr)
        return Fail("no such control");
    DWORD limit = MillisecondsArg(argc, argv, 4, 600000);
    DWORD start = GetTickCount();
    int shown = 0;
    while (IsWindow(window) && GetTickCount() - start < limit) {
        LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        if (count >= 0 && count < shown)
            shown = 0;  // the list was cleared (150-line rule): show it again from the top
        if (count > shown) {
            PrintListLines(list, shown, static_cast<int>(count));
            shown = static_cast<int>(count);
        }
        Sleep(30);
    }
    return 0;
}

int CmdState(HWND window, const Selector&, int, char** argv)
{
    HWND control = Control(window, argv[3]);
    if (control == nullptr)
        return Fail("no such control");
    RECT rect;
    GetWindowRect(control, &rect);
    POINT origin = {rect.left, rect.top};
    ScreenToClient(window, &origin);
    std::printf("visible=%d enabled=%d x=%ld y=%ld w=%ld h=%ld\n",
                (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) ? 1 : 0, IsWindowEnabled(control) ? 1 : 0,
                origin.x, origin.y, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

int CmdLayout(HWND window, const Selector&, int argc, char** argv)
{
    PrintLayout(window, argc - 3, argv + 3);
    return 0;
}

int CmdWaitLayout(HWND window, const Selector&, int argc, char** argv)
{
    DWORD limit = std::strtoul(argv[3], nullptr, 10);
    DWORD start = GetTickCount();
    for (;;) {
        bool all = true;
        for (int i = 4; i < argc && all; ++i)
            all = StateMatches(window, argv[i]);
        if (all)
            return 0;
        if (!IsWindow(window) || GetTickCount() - start >= limit)
            return Fail("layout not reached");
        Sleep(50);
    }
}

int CmdRect(HWND window, const Selector&, int, char**)
{
    RECT rect;
    GetWindowRect(window, &rect);
    std::printf("x=%ld y=%ld w=%ld h=%ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}

int CmdShot(HWND window, const Selector&, int, char** argv)
{
    SetForegroundWindow(window);
    Sleep(200);
    return SaveScreenBitmap(window, argv[3]) ? 0 : Fail("could not save the screenshot");
}

int CmdPixel(HWND window, const Selector&, int, char** argv)
{
    RECT rect;
    GetWindowRect(window, &rect);
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, rect.left + std::atoi(argv[3]), rect.top + std::atoi(argv[4]));
    ReleaseDC(nullptr, screen);
    std::printf("%02X%02X%02X\n", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return 0;
}

int CmdHover(HWND window, const Selector&, int argc, char** argv)
{
    HWND control = Control(window, argv[3]);
    if (control == nullptr)
        return Fail("no such control");
    RECT rect;
    GetWindowRect(control, &rect);
    int x = argc > 5 ? std::atoi(argv[4]) : (rect.right - rect.left) / 2;
    int y = argc > 5 ? std::atoi(argv[5]) : (rect.bottom - rect.top) / 2;
    SetCursorPos(rect.left + x, rect.top + y);
    // The pointer move alone does not reach a window of another process reliably under Xvfb.
    PostMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    return 0;
}

int CmdRepaint(HWND window, const Selector&, int, char** argv)
{
    HWND control = Control(window, argv[3]);
    if (control == nullptr)
        return Fail("no such control");
    return CheckRepaint(control);
}

// quietrun COMMANDLINE [ms]: starts the program and, until it ends, looks every few milliseconds
// for a top-level window of its process, visible or not; prints each window met, then "windows N"
// and "exit CODE". Fails when a window was met or the program outlived ms.
int CmdQuietRun(HWND, const Selector&, int argc, char** argv)
{
    char line[1024];
    CopyText(line, sizeof(line), argv[2]);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return Fail("cannot start the program");
    CloseHandle(process.hThread);
    DWORD limit = MillisecondsArg(argc, argv, 3, 300000);
    OwnedWindows owned = {process.dwProcessId, {}, 0};
    DWORD start = GetTickCount();
    DWORD waited = WAIT_TIMEOUT;
    while (waited == WAIT_TIMEOUT && GetTickCount() - start < limit) {
        EnumWindows(NoteOwnedWindow, reinterpret_cast<LPARAM>(&owned));
        waited = WaitForSingleObject(process.hProcess, 5);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    std::printf("windows %d\nexit %lu\n", owned.count, static_cast<unsigned long>(code));
    std::fflush(stdout);
    if (waited == WAIT_TIMEOUT)
        return Fail("the program is still running");
    return owned.count == 0 ? 0 : 1;
}

typedef int (*CommandRoutine)(HWND window, const Selector& selector, int argc, char** argv);

struct Command {
    const char* name;
    const char* arguments;   // after SEL, for the usage text
    int required;            // arguments after SEL that must be given
    bool needsWindow;        // waits the usual time for the window before acting on it
    CommandRoutine run;
};

const Command kCommands[] = {
    {"wait", "[ms]", 0, false, CmdWait},
    {"gone", "[ms]", 0, false, CmdGone},
    {"count", "", 0, false, CmdCount},
    {"click", "ID", 1, true, CmdClick},
    {"key", "VK", 1, true, CmdKey},
    {"syskey", "VK", 1, true, CmdSysKey},
    {"syscmd", "CODE", 1, true, CmdSysCommand},
    {"timer", "ID", 1, true, CmdTimer},
    {"close", "", 0, true, CmdClose},
    {"text", "[ID]", 0, true, CmdText},
    {"waittext", "ID TEXT [ms]", 2, true, CmdWaitText},
    {"list", "ID", 1, true, CmdList},
    {"watch", "ID [ms]", 1, true, CmdWatch},
    {"state", "ID", 1, true, CmdState},
    {"layout", "ID...", 1, true, CmdLayout},
    {"waitlayout", "ms ID:V,E...  (V, E: 0, 1 or * for either)", 2, true, CmdWaitLayout},
    {"rect", "", 0, true, CmdRect},
    {"shot", "FILE", 1, true, CmdShot},
    {"pixel", "X Y", 2, true, CmdPixel},
    {"hover", "ID [X Y]", 1, true, CmdHover},
    {"repaint", "ID", 1, true, CmdRepaint},
    {"quietrun", "[ms]  (SEL: the command line to start)", 0, false, CmdQuietRun},
};

int Usage()
{
    std::fprintf(stderr, "usage: tvxauto <command> SEL [args]  (SEL is TITLE or TITLE@CHILDID)\n");
    for (const Command& command : kCommands)
        std::fprintf(stderr, "  %s SEL %s\n", command.name, command.arguments);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    const Command* command = nullptr;
    for (const Command& candidate : kCommands) {
        if (std::strcmp(candidate.name, argv[1]) == 0)
            command = &candidate;
    }
    if (command == nullptr || argc < 3 + command->required)
        return Usage();
    Selector selector;
    ParseSelector(argv[2], &selector);
    HWND window = nullptr;
    if (command->needsWindow) {
        window = WaitFor(selector, kDefaultWaitMs);
        if (window == nullptr)
            return Fail("window not found");
    }
    return command->run(window, selector, argc, argv);
}
