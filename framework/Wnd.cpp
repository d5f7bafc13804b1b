#include "framework/Wnd.h"

#include <memory>
#include <mutex>
#include <unordered_map>

#include "framework/WinApp.h"

namespace {

// Objects by window handle. Windows live on their process's UI thread, but worker threads
// may look a window up, so the map has its own lock.
std::mutex g_mapLock;
std::unordered_map<HWND, CWnd*>& WindowMap() {
    static std::unordered_map<HWND, CWnd*> map;
    return map;
}

thread_local CWnd* t_pendingWnd = nullptr;

// The procedure a subclassed window had before ours, kept on the window itself: when our
// object dies while someone else's subclass sits above ours, their calls still come
// through our procedure and must reach that procedure, not the default one.
constexpr wchar_t kSuperProcProp[] = L"VornSuperProc";

WNDPROC KeptSuperProc(HWND hwnd) { return reinterpret_cast<WNDPROC>(GetPropW(hwnd, kSuperProcProp)); }

// Wrappers handed out by FromHandle for windows without an object; they hold nothing but
// the handle, so a stale one is harmless and they can live as long as the thread.
thread_local std::unordered_map<HWND, std::unique_ptr<CWnd>> t_temporaryWnds;

bool IsCtlColorMessage(UINT msg) {
    return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC;
}

}  // namespace

HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleW(nullptr); }

LPCWSTR AfxPlainWindowClass() {
    static const wchar_t kName[] = L"VornFrameworkWnd";
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kName;
        return RegisterClassExW(&wc);
    }();
    return atom != 0 ? kName : nullptr;
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_bTemporary) return;
    // The window may outlive its object (a control of a dialog that is destroyed later):
    // give it back its own procedure so no message reaches a dead object.
    if (m_hWnd != nullptr) UnsubclassWindow();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(g_mapLock);
    auto it = WindowMap().find(hwnd);
    return it == WindowMap().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    if (CWnd* permanent = FromHandlePermanent(hwnd)) return permanent;
    auto& temporaries = t_temporaryWnds;
    auto it = temporaries.find(hwnd);
    if (it != temporaries.end()) return it->second.get();
    if (temporaries.size() >= 64) {
        for (auto old = temporaries.begin(); old != temporaries.end();) {
            old = IsWindow(old->first) ? std::next(old) : temporaries.erase(old);
        }
    }
    auto wrapper = std::make_unique<CWnd>();
    wrapper->m_hWnd = hwnd;
    wrapper->m_bTemporary = true;
    return temporaries.emplace(hwnd, std::move(wrapper)).first->second.get();
}

BOOL CWnd::Attach(HWND hwnd) {
    if (hwnd == nullptr || m_hWnd != nullptr) return FALSE;
    std::lock_guard<std::mutex> lock(g_mapLock);
    auto [it, inserted] = WindowMap().emplace(hwnd, this);
    if (!inserted) return FALSE;  // already owned by another object
    m_hWnd = hwnd;
    return TRUE;
}

void CWnd::AttachAndSubclass(HWND hwnd) {
    if (!Attach(hwnd)) return;
    PreSubclassWindow();
    // Our procedure may still be in the chain, below another subclass, from an object that
    // died earlier: take over that link rather than chaining our procedure to itself.
    if (WNDPROC kept = KeptSuperProc(hwnd)) {
        m_pfnSuper = kept;
        return;
    }
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StandardWndProc)));
    SetPropW(hwnd, kSuperProcProp, reinterpret_cast<HANDLE>(m_pfnSuper));
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
    if (hwnd == nullptr || !IsWindow(hwnd) || m_hWnd != nullptr || m_bTemporary) return FALSE;
    AttachAndSubclass(hwnd);
    return m_hWnd == hwnd;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (parent == nullptr) return FALSE;
    return SubclassWindow(GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
    HWND hwnd = m_hWnd;
    if (hwnd == nullptr) return nullptr;
    if (m_bTemporary) {
        m_hWnd = nullptr;
        return hwnd;
    }
    // With another subclass above ours the chain stays as it is: our procedure, without
    // an object, passes everything to the kept procedure.
    if (m_pfnSuper != nullptr && IsWindow(hwnd) &&
        GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWnd::StandardWndProc)) {
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        RemovePropW(hwnd, kSuperProcProp);
    }
    {
        std::lock_guard<std::mutex> lock(g_mapLock);
        WindowMap().erase(hwnd);
    }
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return hwnd;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, const RECT& rect,
                    HWND parent, HMENU menuOrId, LPVOID param) {
    if (m_hWnd != nullptr) return FALSE;
    HWND hwnd;
    {
        CWndCreationHook hook(this);
        hwnd = CreateWindowExW(exStyle, className, title, style, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, parent, menuOrId,
                               AfxGetInstanceHandle(), param);
    }
    return hwnd != nullptr && m_hWnd == hwnd;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectToChild(msg, wParam, lParam, &result)) return result;
    return DefWindowProc(msg, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr) return CallWindowProcW(m_pfnSuper, m_hWnd, msg, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}

void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}

BOOL CWnd::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    switch (msg) {
    case WM_DRAWITEM:
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        *result = TRUE;
        return TRUE;
    case WM_MEASUREITEM:
        MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
        *result = TRUE;
        return TRUE;
    default:
        break;
    }
    return FALSE;
}

void CWnd::DrawItem(LPDRAWITEMSTRUCT) {}
void CWnd::MeasureItem(LPMEASUREITEMSTRUCT) {}
HBRUSH CWnd::CtlColor(HDC, UINT) { return nullptr; }

BOOL CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND child = nullptr;
    if (msg == WM_DRAWITEM && lParam != 0) {
        child = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam)->hwndItem;
    } else if (msg == WM_MEASUREITEM && lParam != 0 && m_hWnd != nullptr) {
        child = GetDlgItem(m_hWnd, static_cast<int>(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam)->CtlID));
    } else if (IsCtlColorMessage(msg)) {
        child = reinterpret_cast<HWND>(lParam);
    }
    if (child == nullptr || child == m_hWnd) return FALSE;
    CWnd* object = FromHandlePermanent(child);
    if (object == nullptr) return FALSE;
    if (IsCtlColorMessage(msg)) {
        HBRUSH brush = object->CtlColor(reinterpret_cast<HDC>(wParam), msg);
        if (brush == nullptr) return FALSE;
        *result = reinterpret_cast<LRESULT>(brush);
        return TRUE;
    }
    return object->OnChildNotify(msg, wParam, lParam, result);
}

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg) {
    // GetParent gives a pop-up's owner, so an owned dialog's keys pass its owner too.
    for (HWND hwnd = msg->hwnd; hwnd != nullptr; hwnd = GetParent(hwnd)) {
        CWnd* object = FromHandlePermanent(hwnd);
        if (object != nullptr && object->PreTranslateMessage(msg)) return TRUE;
        if (hwnd == stop) return FALSE;  // the main window had its turn
    }
    // A window outside the main window's tree (an unowned pop-up): the main window's
    // rules still come last.
    CWnd* main = FromHandlePermanent(stop);
    return main != nullptr && main->PreTranslateMessage(msg);
}

void CWnd::FinishNcDestroy() {
    HWND hwnd = m_hWnd;
    {
        std::lock_guard<std::mutex> lock(g_mapLock);
        WindowMap().erase(hwnd);
    }
    RemovePropW(hwnd, kSuperProcProp);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    PostNcDestroy();
}

LRESULT CALLBACK CWnd::StandardWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* object = FromHandlePermanent(hwnd);
    if (object == nullptr) {
        // The object died while another subclass kept calling us.
        WNDPROC kept = KeptSuperProc(hwnd);
        if (msg == WM_NCDESTROY) RemovePropW(hwnd, kSuperProcProp);
        return kept != nullptr ? CallWindowProcW(kept, hwnd, msg, wParam, lParam)
                               : ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    const LRESULT result = object->WindowProc(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) object->FinishNcDestroy();
    return result;
}

CWndCreationHook::CWndCreationHook(CWnd* wnd) : m_previous(t_pendingWnd) {
    t_pendingWnd = wnd;
    m_hook = SetWindowsHookExW(WH_CBT, &CWndCreationHook::CbtProc, nullptr, GetCurrentThreadId());
}

CWndCreationHook::~CWndCreationHook() {
    if (m_hook != nullptr) UnhookWindowsHookEx(m_hook);
    t_pendingWnd = m_previous;
}

LRESULT CALLBACK CWndCreationHook::CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && t_pendingWnd != nullptr) {
        CWnd* wnd = t_pendingWnd;
        t_pendingWnd = nullptr;  // only the first window: a dialog's controls come after it
        wnd->AttachAndSubclass(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
