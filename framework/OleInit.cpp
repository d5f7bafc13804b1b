#include "framework/OleInit.h"

#include <ole2.h>

namespace {
// OLE belongs to a thread, and so do the browsers it serves.
thread_local bool g_initialized = false;
thread_local bool g_endRequested = false;
thread_local int g_liveBrowsers = 0;

void EndNow() {
    OleUninitialize();
    g_initialized = false;
    g_endRequested = false;
}
}  // namespace

BOOL AfxOleInit() {
    if (g_initialized) return TRUE;
    if (FAILED(OleInitialize(nullptr))) return FALSE;
    g_initialized = true;
    g_endRequested = false;
    return TRUE;
}

void AfxOleTerm() {
    if (!g_initialized) return;
    if (g_liveBrowsers > 0) {
        g_endRequested = true;
        return;
    }
    EndNow();
}

BOOL AfxOleIsInitialized() { return g_initialized ? TRUE : FALSE; }

void AfxOleBrowserCreated() { ++g_liveBrowsers; }

void AfxOleBrowserDestroyed() {
    if (g_liveBrowsers > 0) --g_liveBrowsers;
    if (g_liveBrowsers == 0 && g_endRequested && g_initialized) EndNow();
}
