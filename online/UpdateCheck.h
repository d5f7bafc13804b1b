#pragma once
// Whether the running executable is the platform's current release, and where the new
// one can be downloaded; the weekly schedule of the check.
#include <windows.h>

#include <string>

#include "online/UpdateRules.h"

namespace vorn {

// MD5 of a whole file as 32 lower-case hexadecimal characters; empty when the file
// cannot be read.
std::wstring FileMd5Hex(const wchar_t* path);
// The same of an open file, read from its start.
std::wstring FileMd5Hex(HANDLE file);
// The running executable's version key; empty when it cannot be read.
std::wstring MakeVersionKey();

// Downloads and reads the update configuration: the configured key (ANSI code page, 64
// bytes) and the download address (512 characters). FALSE, with an empty key, when the
// page could not be fetched; *busy (when given) then tells whether another update held it.
BOOL FetchUpdateConfig(char* key /* [64] */, wchar_t* updAddr /* [512] */, bool* busy = nullptr);

// 0 when no update is to be made (same release, not due, configuration not read, empty
// key, or the running executable cannot be read); non-zero otherwise. updAddr receives
// the configured download address, and updKey (when given) the configured version key,
// whenever the configuration was read.
// `mode` is the process's run mode: the scheduled check runs only in the launcher modes.
// outcome (when given) tells why: a 0 may mean "same release", "nothing published", "another
// update runs" or "could not tell".
int CheckForUpdate(bool forced, int mode, wchar_t* updAddr /* [512] */, wchar_t* updKey /* [64] */ = nullptr,
                   UpdateCheckOutcome* outcome = nullptr);

BOOL IsUpdateDue();
BOOL IsDisabledDay(unsigned weekday);
void WriteDisableDays();
void WriteUpdateTime();
// Keeps today as the day an update was last refused (its download, its signature or its
// swap): the scheduled check then waits for the next day.
void WriteUpdateRefusal();

}  // namespace vorn
