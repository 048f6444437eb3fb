// The small window framework of the tool: application object, non-owning window wrappers, modal
// dialogs with per-class message maps and control binding, and the button, static and list-box wrappers.
#pragma once
#include <windows.h>
#include "base/win32_scope.h"

class CCmdTarget;
class CWnd;
class CDialog;

// ---------------------------------------------------------------------------------------------
// Message maps. Each class that handles messages declares DECLARE_MESSAGE_MAP() and defines its
// table with BEGIN_MESSAGE_MAP(Class, Base) ... END_MESSAGE_MAP(). A message is looked up in the
// class's table, then in its base's, and so on; without a match it gets default processing.
// Command entries match (WM_COMMAND, control id, notification code); every other entry matches the
// message number alone (so ON_MESSAGE(10, ...) also runs for the system's WM_ENABLE). The seven
// WM_CTLCOLOR* messages all go to the one ON_WM_CTLCOLOR() entry, which receives the kind.

typedef LRESULT (*MessageThunk)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
    UINT message;  // 0 ends the table
    UINT id;       // control id (commands only)
    UINT code;     // notification code (commands only)
    MessageThunk thunk;
};

struct MessageMap {
    const MessageMap* (*getBase)();  // null for the root
    const MessageMapEntry* entries;
};

// The key under which the folded colour messages are stored in a table.
const UINT kCtlColorMessage = WM_CTLCOLORMSGBOX;

#define DECLARE_MESSAGE_MAP()                          \
public:                                                \
    static const MessageMap* GetThisMessageMap();      \
    const MessageMap* GetMessageMap() const override;  \
                                                       \
private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                             \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }      \
    const MessageMap* theClass::GetThisMessageMap()                                        \
    {                                                                                      \
        typedef theClass ThisClass;                                                        \
        static_assert(sizeof(ThisClass) > 0, "complete class");                            \
        static const MessageMap* (*const getBase)() = &baseClass::GetThisMessageMap;       \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                               \
            { 0, 0, 0, nullptr } };                     \
        static const MessageMap map = { getBase, entries }; \
        return &map;                                    \
    }

#define TVX_THUNK(body) \
    [](CCmdTarget* target, WPARAM wParam, LPARAM lParam) -> LRESULT { \
        ThisClass* self = static_cast<ThisClass*>(target); (void)self; (void)wParam; (void)lParam; body }

// LRESULT Handler(WPARAM, LPARAM)
#define ON_MESSAGE(message, handler) \
    { (message), 0, 0, TVX_THUNK(return self->handler(wParam, lParam);) },
// void Handler(), for a BN_CLICKED (= command) notification of control id. A qualified handler
// such as CDialog::OnOK is called as written, not through the virtual table.
#define ON_BN_CLICKED(id, handler) \
    { WM_COMMAND, (id), BN_CLICKED, TVX_THUNK(self->handler(); return 1;) },
#define ON_COMMAND(id, handler) ON_BN_CLICKED(id, handler)
// void OnPaint()
#define ON_WM_PAINT() { WM_PAINT, 0, 0, TVX_THUNK(self->OnPaint(); return 0;) },
// void OnTimer(UINT_PTR id)
#define ON_WM_TIMER() { WM_TIMER, 0, 0, TVX_THUNK(self->OnTimer(wParam); return 0;) },
// HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind), kind one of CTLCOLOR_MSGBOX..CTLCOLOR_STATIC
#define ON_WM_CTLCOLOR()                                                                          \
    { kCtlColorMessage, 0, 0, TVX_THUNK(return reinterpret_cast<LRESULT>(self->OnCtlColor(         \
        reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),                           \
        self->GetCurrentMessage() - WM_CTLCOLORMSGBOX));) },
// void OnMouseMove(UINT flags, POINT point), and the same for the button messages
#define TVX_POINT_HANDLER(message, handler)                                                       \
    { (message), 0, 0, TVX_THUNK(POINT point; point.x = static_cast<short>(LOWORD(lParam));      \
        point.y = static_cast<short>(HIWORD(lParam)); self->handler(static_cast<UINT>(wParam), point); \
        return 0;) },
#define ON_WM_MOUSEMOVE() TVX_POINT_HANDLER(WM_MOUSEMOVE, OnMouseMove)
#define ON_WM_LBUTTONDOWN() TVX_POINT_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() TVX_POINT_HANDLER(WM_LBUTTONUP, OnLButtonUp)
// void OnMove(int x, int y)
#define ON_WM_MOVE() \
    { WM_MOVE, 0, 0, TVX_THUNK(self->OnMove(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))); return 0;) },
// void OnSetFocus(HWND previous) / void OnKillFocus(HWND next)
#define ON_WM_SETFOCUS() \
    { WM_SETFOCUS, 0, 0, TVX_THUNK(self->OnSetFocus(reinterpret_cast<HWND>(wParam)); return 0;) },
#define ON_WM_KILLFOCUS() \
    { WM_KILLFOCUS, 0, 0, TVX_THUNK(self->OnKillFocus(reinterpret_cast<HWND>(wParam)); return 0;) },
// BOOL OnSetCursor(HWND window, UINT hitTest, UINT message)
#define ON_WM_SETCURSOR()                                                                         \
    { WM_SETCURSOR, 0, 0, TVX_THUNK(return self->OnSetCursor(reinterpret_cast<HWND>(wParam),      \
        LOWORD(lParam), HIWORD(lParam));) },

// Base of everything that has a message map (windows and the application).
class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const;

    // The entry for a message in this class's table or its bases', or null. Colour messages are
    // looked up under kCtlColorMessage; id and code count for WM_COMMAND only.
    const MessageMapEntry* FindMessageEntry(UINT message, UINT id, UINT code) const;
};

// ---------------------------------------------------------------------------------------------
// The application object. WinMain calls RunWinApp, which runs the one CWinApp's InitInstance and,
// when that returns TRUE, a message loop until WM_QUIT.

class CWinApp : public CCmdTarget {
    DECLARE_MESSAGE_MAP()
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance();
    virtual int Run();
    virtual int ExitInstance();

    HICON LoadIcon(UINT id) const;
    // The framework's Help command; the tool has no help file, so it does nothing.
    void OnHelp();

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
};

// The one application object, or null when the program has none (test programs).
CWinApp* GetApp();
// The module that holds the program's resources (its own executable).
HINSTANCE GetResourceInstance();
// Runs the application object; returns the process exit code.
int RunWinApp(HINSTANCE instance);

// ---------------------------------------------------------------------------------------------
// A window wrapper. It does not own its window: the system destroys windows. A CWnd attached with
// SubclassWindow/SubclassDlgItem receives its window's messages through its message map and lets
// the window's own procedure do the rest; it lets go of the window when the window is destroyed.

class CWnd : public CCmdTarget {
    DECLARE_MESSAGE_MAP()
public:
    CWnd() = default;
    ~CWnd() override;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The framework object attached to a window, or null.
    static CWnd* FromHandle(HWND window);

    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    BOOL ShowWindow(int command) { return ::ShowWindow(m_hWnd, command); }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    int GetWindowText(char* text, int size) const { return ::GetWindowTextA(m_hWnd, text, size); }
    int GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, x, y, width, height, repaint);
    }
    void MoveWindow(const RECT& rect, BOOL repaint = TRUE)
    {
        ::MoveWindow(m_hWnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
    }
    BOOL SetWindowPos(HWND after, int x, int y, int width, int height, UINT flags)
    {
        return ::SetWindowPos(m_hWnd, after, x, y, width, height, flags);
    }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(m_hWnd, rect); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(m_hWnd, rect); }
    void ScreenToClient(POINT* point) const { ::ScreenToClient(m_hWnd, point); }
    void ClientToScreen(POINT* point) const { ::ClientToScreen(m_hWnd, point); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, rect, erase); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    HWND SetCapture() { return ::SetCapture(m_hWnd); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageA(m_hWnd, message, wParam, lParam);
    }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, BOOL redraw = TRUE)
    {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    HICON SetIcon(HICON icon, BOOL big)
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                                                   reinterpret_cast<LPARAM>(icon)));
    }
    DWORD GetStyle() const { return static_cast<DWORD>(GetWindowLongA(m_hWnd, GWL_STYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    int SetWindowRgn(HRGN region, BOOL redraw) { return ::SetWindowRgn(m_hWnd, region, redraw); }
    // Centres the window on alternateOwner, else on its owner when that is visible, else on the
    // work area of the screen; it is kept inside the work area.
    void CenterWindow(HWND alternateOwner = nullptr);

    // The message being handled (inside a handler).
    UINT GetCurrentMessage() const { return m_current.message; }

    // Default processing of the message being handled: the window's own procedure for a subclassed
    // control. In a dialog, the dialog manager's processing, which runs after the handler returns.
    virtual LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Called for WM_DRAWITEM (and the other owner notifications) that the parent passes back to
    // the control; returns TRUE when handled, with *result the message's result.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // Default colour: the system's brush and colours for the kind.
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);

protected:
    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    // Runs a message through the message map; returns TRUE with *result when an entry handled it.
    BOOL DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Sends a WM_DRAWITEM-like message of this parent to the control it concerns.
    BOOL ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void AttachProperty(HWND window);
    void DetachProperty();

    CurrentMessage m_current = { 0, 0, 0 };
    WNDPROC m_pfnSuper = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// ---------------------------------------------------------------------------------------------
// Control binding during initialisation.

struct CDataExchange {
    CDialog* m_pDlgWnd;
};

// Attaches control (subclassing its window) to the dialog's control id, once.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

// ---------------------------------------------------------------------------------------------
// A modal dialog made from a dialog template resource. All dialogs share one dialog procedure,
// which finds the object from WM_INITDIALOG's parameter and forwards every message to it.

class CDialog : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog; returns the code given to EndDialog, or -1 when it cannot be created.
    // Without a parent, the application's main window (if any) owns it and is disabled meanwhile.
    virtual INT_PTR DoModal();
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }
    BOOL UpdateData();  // binds the controls through DoDataExchange

    virtual BOOL OnInitDialog();   // binds the controls; TRUE lets the system set the focus
    virtual void OnOK();           // IDOK command (Enter): ends the dialog with IDOK
    virtual void OnCancel();       // IDCANCEL command (Escape, close box): ends it with IDCANCEL
    // WM_COMMAND: the message map, then IDOK/IDCANCEL to OnOK/OnCancel. TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void DoDataExchange(CDataExchange* dx);

    LRESULT Default() override;

protected:
    UINT m_nIDHelp;  // the template id
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool m_defaultRequested = false;
};

// ---------------------------------------------------------------------------------------------
// Control wrappers.

class CButton : public CWnd {
    DECLARE_MESSAGE_MAP()
public:
    // Owner-drawn buttons draw here; the parent passes WM_DRAWITEM back to the button.
    virtual void DrawItem(DRAWITEMSTRUCT* drawItem);
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
};

class CStatic : public CWnd {
    DECLARE_MESSAGE_MAP()
};

// The result list is driven by raw list-box messages, so the wrapper adds nothing of its own.
class CListBox : public CWnd {
    DECLARE_MESSAGE_MAP()
};
