#pragma once
// Where the stored values live on this machine; built anew at every call.
#include <string>

namespace vorn {

// The common application data folder + "\Vorn\GameLogin"; empty when the shell cannot
// name the common folder.
std::wstring DataFolderPath();
// Makes each level of the data folder ("\Vorn", then "\GameLogin") the program's alone, as
// CreateProtectedFolder does, creating missing levels only when `create` is set. False when
// a level is a redirection or could not be made safe: nothing may be written, run or loaded
// there then.
bool SecureDataFolder(bool create);
// Counters: Statistic.ini in the data folder.
std::wstring CounterIniPath();
// Hot keys and notice state: Statistic.ini beside the running executable.
std::wstring LocalIniPath();

// Creates the INI file empty as UTF-16 with a byte-order mark when it does not exist yet,
// so that the system's INI functions keep text outside the ANSI code page. An existing
// file is left as it is.
void EnsureUnicodeIniFile(const std::wstring& path);

}  // namespace vorn
