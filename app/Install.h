#pragma once
// Installing the executable into the data folder, and removing it again.
#include <windows.h>

namespace vorn {

// Copies the executable into the data folder (unless it runs from there), creates its
// shortcuts and starts the installed copy.
void InstallToDataFolder();

// Removes the program's registry key and shortcuts, leaves a batch file that deletes the
// executable after this process ended, counts and reports the uninstall, and tells the
// player.
void Uninstall();

// Writes and starts the hidden self-delete batch file; FALSE when it could not be written
// or started.
BOOL WriteSelfDeleteBatch();

// Appends ANSI text to a file; the number of bytes written, or -1 (with the system error
// kept) on failure.
int AppendTextToFile(const char* path, const char* text);

}  // namespace vorn
