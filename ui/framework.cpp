// The window framework: message-map lookup, control subclassing, the shared dialog procedure and
// the application entry.
#include "ui/framework.h"

namespace {

// The window property that links a window to its framework object.
const char kObjectProperty[] = "TarvexWindowObject";

// Window-to-object lookups run for every message of every wrapped window. A window property costs a
// round trip to the server under Wine, so the wrappers are kept in a small table of this process;
// the property is the fallback only once more windows are wrapped than the table holds.
struct WrappedWindow {
    HWND window;
    CWnd* object;
};
WrappedWindow g_wrapped[64];
bool g_wrappedOverflow = false;

void RememberWrapper(HWND window, CWnd* object)
{
    for (WrappedWindow& slot : g_wrapped) {
        if (slot.window == nullptr || slot.window == window) {
            slot.window = window;
            slot.object = object;
            return;
        }
    }
    g_wrappedOverflow = true;
    SetPropA(window, kObjectProperty, object);
}

void ForgetWrapper(HWND window)
{
    for (WrappedWindow& slot : g_wrapped) {
        if (slot.window == window) {
            slot.window = nullptr;
            slot.object = nullptr;
            return;
        }
    }
    if (g_wrappedOverflow)
        RemovePropA(window, kObjectProperty);
}

CWinApp* g_app = nullptr;

// Messages whose result a dialog procedure returns directly instead of through DWL_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

bool IsColourMessage(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

const MessageMap* CCmdTarget::GetThisMessageMap()
{
    static const MessageMapEntry entries[] = { { 0, 0, 0, nullptr } };
    static const MessageMap map = { nullptr, entries };
    return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const MessageMapEntry* CCmdTarget::FindMessageEntry(UINT message, UINT id, UINT code) const
{
    if (IsColourMessage(message))
        message = kCtlColorMessage;
    for (const MessageMap* map = GetMessageMap(); map; map = map->getBase ? map->getBase() : nullptr) {
        for (const MessageMapEntry* entry = map->entries; entry->message; ++entry) {
            if (entry->message != message)
                continue;
            if (message == WM_COMMAND && (entry->id != id || entry->code != code))
                continue;
            return entry;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp()
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::Run()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return 0;
}

HICON CWinApp::LoadIcon(UINT id) const
{
    return ::LoadIconA(GetResourceInstance(), MAKEINTRESOURCEA(id));
}

void CWinApp::OnHelp()
{
}

CWinApp* GetApp()
{
    return g_app;
}

HINSTANCE GetResourceInstance()
{
    return GetModuleHandleA(nullptr);
}

int RunWinApp(HINSTANCE instance)
{
    CWinApp* app = GetApp();
    if (!app)
        return -1;
    app->m_hInstance = instance;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::~CWnd()
{
    // A wrapper that dies before its window hands the window back to its own procedure.
    if (m_hWnd && m_pfnSuper)
        UnsubclassWindow();
}

CWnd* CWnd::FromHandle(HWND window)
{
    if (!window)
        return nullptr;
    for (const WrappedWindow& slot : g_wrapped) {
        if (slot.window == window)
            return slot.object;
    }
    return g_wrappedOverflow ? static_cast<CWnd*>(GetPropA(window, kObjectProperty)) : nullptr;
}

void CWnd::AttachProperty(HWND window)
{
    m_hWnd = window;
    RememberWrapper(window, this);
}

void CWnd::DetachProperty()
{
    if (m_hWnd)
        ForgetWrapper(m_hWnd);
    m_hWnd = nullptr;
}

BOOL CWnd::SubclassWindow(HWND window)
{
    if (!window || m_hWnd || FromHandle(window))
        return FALSE;
    AttachProperty(window);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    if (!m_pfnSuper) {
        DetachProperty();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (!parent || !parent->m_hWnd)
        return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

HWND CWnd::UnsubclassWindow()
{
    HWND window = m_hWnd;
    if (!window)
        return nullptr;
    if (m_pfnSuper)
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    DetachProperty();
    return window;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags)
{
    DWORD style = GetStyle();
    DWORD newStyle = (style & ~remove) | add;
    if (style == newStyle)
        return FALSE;
    SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(newStyle));
    if (swpFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return TRUE;
}

void CWnd::CenterWindow(HWND alternateOwner)
{
    RECT work;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
        work.left = 0;
        work.top = 0;
        work.right = GetSystemMetrics(SM_CXSCREEN);
        work.bottom = GetSystemMetrics(SM_CYSCREEN);
    }
    HWND centreOn = alternateOwner;
    if (!centreOn) {
        centreOn = ::GetWindow(m_hWnd, GW_OWNER);
        if (centreOn && (!::IsWindowVisible(centreOn) || ::IsIconic(centreOn)))
            centreOn = nullptr;
    }
    RECT area = work;
    if (centreOn)
        ::GetWindowRect(centreOn, &area);

    RECT rect;
    GetWindowRect(&rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int x = (area.left + area.right) / 2 - width / 2;
    int y = (area.top + area.bottom) / 2 - height / 2;
    if (x + width > work.right)
        x = work.right - width;
    if (x < work.left)
        x = work.left;
    if (y + height > work.bottom)
        y = work.bottom - height;
    if (y < work.top)
        y = work.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

HBRUSH CWnd::OnCtlColor(HDC dc, HWND control, UINT kind)
{
    // The system's own answer sets the colours into the context and names the brush.
    return reinterpret_cast<HBRUSH>(::DefWindowProcA(m_hWnd, WM_CTLCOLORMSGBOX + kind,
                                                     reinterpret_cast<WPARAM>(dc),
                                                     reinterpret_cast<LPARAM>(control)));
}

BOOL CWnd::DispatchToMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    UINT id = 0;
    UINT code = 0;
    if (message == WM_COMMAND) {
        id = LOWORD(wParam);
        code = HIWORD(wParam);
    }
    const MessageMapEntry* entry = FindMessageEntry(message, id, code);
    if (!entry)
        return FALSE;
    *result = entry->thunk(this, wParam, lParam);
    return TRUE;
}

BOOL CWnd::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    HWND child = nullptr;
    switch (message) {
    case WM_DRAWITEM:
        if (lParam)
            child = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
        if (wParam)
            child = ::GetDlgItem(m_hWnd, static_cast<int>(wParam));
        break;
    default:
        return FALSE;
    }
    CWnd* control = FromHandle(child);
    if (!control || control == this)
        return FALSE;
    return control->OnChildNotify(message, wParam, lParam, result);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* self = FromHandle(window);
    if (!self || !self->m_pfnSuper)
        return ::DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        WNDPROC super = self->m_pfnSuper;
        self->UnsubclassWindow();
        return CallWindowProcA(super, window, message, wParam, lParam);
    }

    CurrentMessage saved = self->m_current;
    self->m_current = { message, wParam, lParam };
    LRESULT result = 0;
    if (!self->DispatchToMap(message, wParam, lParam, &result) &&
        !self->ReflectToChild(message, wParam, lParam, &result))
        result = self->DefWindowProc(message, wParam, lParam);
    self->m_current = saved;
    return result;
}

// ---------------------------------------------------------------------------------------------

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (!control.m_hWnd)
        control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd);
}

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDialog, CWnd)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDHelp(templateId), m_pParentWnd(parent)
{
}

CDialog::~CDialog()
{
    DetachProperty();
}

INT_PTR CDialog::DoModal()
{
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner && GetApp() && GetApp()->m_pMainWnd && GetApp()->m_pMainWnd != this)
        owner = GetApp()->m_pMainWnd->m_hWnd;
    if (owner && !IsWindow(owner))
        owner = nullptr;
    return DialogBoxParamA(GetResourceInstance(), MAKEINTRESOURCEA(m_nIDHelp), owner, &CDialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

BOOL CDialog::UpdateData()
{
    CDataExchange dx = { this };
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData();
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (DispatchToMap(WM_COMMAND, wParam, lParam, &result))
        return TRUE;
    if (HIWORD(wParam) != BN_CLICKED)
        return FALSE;
    if (LOWORD(wParam) == IDOK) {
        OnOK();
        return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

void CDialog::DoDataExchange(CDataExchange*)
{
}

LRESULT CDialog::Default()
{
    // The dialog manager's processing follows when the dialog procedure reports "not handled".
    m_defaultRequested = true;
    return 0;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        if (!self)
            return FALSE;
        self->AttachProperty(window);
    } else {
        self = static_cast<CDialog*>(FromHandle(window));
        if (!self)
            return FALSE;
    }
    if (message == WM_NCDESTROY) {
        self->DetachProperty();
        return FALSE;
    }

    CurrentMessage saved = self->m_current;
    bool savedDefault = self->m_defaultRequested;
    self->m_current = { message, wParam, lParam };
    self->m_defaultRequested = false;
    INT_PTR handled = self->HandleDialogMessage(message, wParam, lParam);
    self->m_current = saved;
    self->m_defaultRequested = savedDefault;
    return handled;
}

INT_PTR CDialog::HandleDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (message == WM_INITDIALOG) {
        RECT before;
        GetWindowRect(&before);
        DWORD styleBefore = GetStyle();
        BOOL setFocus = OnInitDialog();
        // A hidden, unmoved top-level dialog whose owner is absent or disabled is centred, as the
        // system message box is.
        RECT after;
        GetWindowRect(&after);
        HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
        if (!(styleBefore & WS_VISIBLE) && !(GetStyle() & (WS_VISIBLE | WS_CHILD)) &&
            before.left == after.left && before.top == after.top && (!owner || !::IsWindowEnabled(owner)))
            CenterWindow();
        return setFocus;
    }
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return FALSE;
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    if (!DispatchToMap(message, wParam, lParam, &result)) {
        if (!ReflectToChild(message, wParam, lParam, &result))
            return FALSE;
    } else if (m_defaultRequested) {
        return FALSE;
    }
    if (ReturnsResultDirectly(message))
        return static_cast<INT_PTR>(result);
    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CButton, CWnd)
END_MESSAGE_MAP()

void CButton::DrawItem(DRAWITEMSTRUCT*)
{
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (message != WM_DRAWITEM)
        return CWnd::OnChildNotify(message, wParam, lParam, result);
    DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return TRUE;
}

BEGIN_MESSAGE_MAP(CStatic, CWnd)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CListBox, CWnd)
END_MESSAGE_MAP()

