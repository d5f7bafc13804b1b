#include <windows.h>

#include "app/LibrarySearch.h"
#include "app/StackGuard.h"
#include "app/WayfrontApp.h"

// The one application object of the process.
CWayfront3App theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int cmdShow) { return AfxWinMain(instance, cmdShow); }

extern "C" int WinMainCRTStartup();

// The executable's entry point (linked with -e): the library search is locked before the C
// runtime starts and before any constructor runs, so nothing of the program's can load a
// library from the folder the executable was started from. The libraries of the import
// table are the system's known ones, loaded before this line; everything else is
// delay-loaded. Then the stack guard gets its value, before any guarded function runs (this
// one has no guard: the value changes while its frame is live).
extern "C" __attribute__((no_stack_protector)) int VornEntry() {
    vorn::LockLibrarySearch();
    vorn::SetStackGuard();
    return WinMainCRTStartup();
}
