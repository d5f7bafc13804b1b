#pragma once
// Where the process takes its libraries from: the system folder only. The program runs
// elevated and is typically started from the user's download folder, where anyone who
// can write there could plant a library of a system name.
#include <windows.h>

namespace vorn {

// Limits the process's library search to the system folder and asks the system to prefer
// its own images and refuse remote ones where it offers that. Called first thing at the
// entry point, before the C runtime's start-up and any constructor.
void LockLibrarySearch();

// Loads a library by bare name from the system folder only; nullptr when it is not there.
// A name with a path in it is refused.
HMODULE LoadSystemLibrary(const char* name);

}  // namespace vorn
