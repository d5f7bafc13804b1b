#pragma once
// OLE for the processes that host the browser control: started once, single-threaded
// apartment, before any browser; ended after the last browser is gone.
#include <windows.h>

// Initialises OLE on the calling thread. FALSE when it failed (for example a thread that
// already joined the multi-threaded apartment); the caller reports that.
BOOL AfxOleInit();

// Ends OLE for AfxOleInit's thread: at once when no browser lives, else when the last one
// has gone. The framework's entry point calls it when the application ends.
void AfxOleTerm();

// Whether AfxOleInit succeeded and OLE has not been ended since.
BOOL AfxOleIsInitialized();

// Browser sites count themselves, so that OLE outlives them.
void AfxOleBrowserCreated();
void AfxOleBrowserDestroyed();
