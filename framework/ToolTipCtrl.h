#pragma once
// A tool-tip control owned by a window object.
#include "framework/Wnd.h"

class CToolTipCtrl : public CWnd {
public:
    BOOL Create(CWnd* parent, DWORD style);
    // A tool for the whole client area of `tool` (no rectangle), with its text or
    // LPSTR_TEXTCALLBACK.
    BOOL AddTool(CWnd* tool, LPCWSTR text, UINT_PTR id);
    void UpdateTipText(LPCWSTR text, CWnd* tool, UINT_PTR id);
    void SetDelayTime(DWORD which, int milliseconds);
    void RelayEvent(MSG* msg);
};
