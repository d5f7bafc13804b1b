#pragma once
// A window object is a thin holder of an HWND. Windows created through the framework,
// and controls attached to an object, are subclassed so that every message reaches the
// object's WindowProc, one switch per class.
#include <windows.h>

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object attached to a window of this process, or null.
    static CWnd* FromHandlePermanent(HWND hwnd);
    // The attached object, or else a temporary wrapper of the handle (any window, also one
    // of another process) that neither subclasses it nor enters the map; the wrapper lives
    // as long as the thread and must not be kept as the window's owner of record. Null for
    // a null handle.
    static CWnd* FromHandle(HWND hwnd);
    bool IsTemporary() const { return m_bTemporary; }

    // Creates a window of a registered class; the object sees WM_NCCREATE onwards.
    BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, const RECT& rect,
                  HWND parent, HMENU menuOrId, LPVOID param = nullptr);
    // Routes the messages of an existing window through this object.
    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    BOOL DestroyWindow();

    // Offered every queued message aimed at this window or one of its children before it
    // is dispatched; TRUE consumes it.
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The window's own procedure from before it was subclassed.
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // Called when a window is attached to the object, before it sees its messages.
    virtual void PreSubclassWindow();
    // Called after the window is gone; an object that owns itself may delete itself here.
    virtual void PostNcDestroy();

    // Notifications the parent receives about this control, reflected to the control's
    // object: owner drawing and colours. TRUE when handled, with the reply in *result.
    virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual void DrawItem(LPDRAWITEMSTRUCT drawItem);
    virtual void MeasureItem(LPMEASUREITEMSTRUCT measureItem);
    // Brush for a WM_CTLCOLOR* message; null leaves the parent's answer.
    virtual HBRUSH CtlColor(HDC dc, UINT ctlColorMsg);

    // Offers a queued message to the window objects from its target up through its
    // parents (a pop-up's owner counts as its parent) until the main window `stop`; TRUE
    // when one consumed it. When nothing did and the target does not live under `stop`,
    // `stop` is offered it last.
    static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);

protected:
    // Offers a parent's notification to the child's object; TRUE when the child handled it.
    BOOL ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

private:
    friend class CWndCreationHook;
    static LRESULT CALLBACK StandardWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    BOOL Attach(HWND hwnd);
    void AttachAndSubclass(HWND hwnd);
    void FinishNcDestroy();

    WNDPROC m_pfnSuper = nullptr;
    bool m_bTemporary = false;
};

// While alive, the next window created on this thread is attached to `wnd` from its very
// first message (WM_NCCREATE, or the dialog's WM_SETFONT and WM_INITDIALOG).
class CWndCreationHook {
public:
    explicit CWndCreationHook(CWnd* wnd);
    ~CWndCreationHook();
    CWndCreationHook(const CWndCreationHook&) = delete;
    CWndCreationHook& operator=(const CWndCreationHook&) = delete;

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook = nullptr;
    CWnd* m_previous = nullptr;
};

HINSTANCE AfxGetInstanceHandle();
// Window class for plain framework windows (arrow cursor, no background brush).
LPCWSTR AfxPlainWindowClass();
