#pragma once
// Installing the executable into the data folder, and removing it again.
#include <windows.h>

namespace vorn {

// Copies the executable into the data folder (unless it runs from there), creates its
// shortcuts and starts the installed copy. The copy goes in beside the installed file and
// is renamed into place, so an interrupted install leaves the old executable whole; the
// shortcuts and the start follow only once the new one is in place. FALSE, with nothing
// made, when the executable could not be put in place (for example while the installed
// launcher runs and its file cannot be replaced).
bool InstallToDataFolder();

// Creates the data folder, one level at a time, each level made by this call writable
// only by administrators and the system. True when it exists afterwards.
bool CreateDataFolder();

// Removes the program's registry key and shortcuts, leaves a batch file that deletes the
// executable after this process ended, counts and reports the uninstall, and tells the
// player.
void Uninstall();

// Writes and starts the hidden self-delete batch file; FALSE when it could not be written
// or started. It is started last, as the uninstall run ends, since it tries for a bounded
// time only.
BOOL WriteSelfDeleteBatch();

// Appends ANSI text to a file; the number of bytes written, or -1 (with the system error
// kept) on failure.
int AppendTextToFile(const char* path, const char* text);

}  // namespace vorn
