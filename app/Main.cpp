#include <windows.h>

#include "app/WayfrontApp.h"

// The one application object of the process.
CWayfront3App theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int cmdShow) { return AfxWinMain(instance, cmdShow); }
