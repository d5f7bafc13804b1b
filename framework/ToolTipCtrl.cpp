#include "framework/ToolTipCtrl.h"

#include <commctrl.h>

namespace {

TOOLINFOW ToolInfo(HWND tool, UINT_PTR id, LPCWSTR text) {
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    // No TTF_SUBCLASS: the owner relays the mouse messages itself (TTM_RELAYEVENT).
    info.hwnd = tool;
    info.uId = id;
    info.lpszText = const_cast<LPWSTR>(text);
    if (tool != nullptr) GetClientRect(tool, &info.rect);
    return info;
}

}  // namespace

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
    if (parent == nullptr || parent->m_hWnd == nullptr) return FALSE;
    return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, RECT{0, 0, 0, 0}, parent->m_hWnd,
                    nullptr);
}

BOOL CToolTipCtrl::AddTool(CWnd* tool, LPCWSTR text, UINT_PTR id) {
    if (m_hWnd == nullptr || tool == nullptr) return FALSE;
    TOOLINFOW info = ToolInfo(tool->m_hWnd, id, text);
    return static_cast<BOOL>(SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)));
}

void CToolTipCtrl::UpdateTipText(LPCWSTR text, CWnd* tool, UINT_PTR id) {
    if (m_hWnd == nullptr || tool == nullptr) return;
    TOOLINFOW info = ToolInfo(tool->m_hWnd, id, text);
    SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

void CToolTipCtrl::SetDelayTime(DWORD which, int milliseconds) {
    if (m_hWnd != nullptr) SendMessageW(m_hWnd, TTM_SETDELAYTIME, which, MAKELPARAM(milliseconds, 0));
}

void CToolTipCtrl::RelayEvent(MSG* msg) {
    if (m_hWnd != nullptr && msg != nullptr) SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
}
