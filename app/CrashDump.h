#pragma once
// A first unhandled exception leaves a minidump beside the executable.
#include <windows.h>

namespace vorn {

LONG WINAPI CrashDumpFilter(EXCEPTION_POINTERS* pointers);
// Writes the richest dump the system's debug helper accepts; TRUE when one was written.
BOOL WriteCrashDump(HANDLE file, EXCEPTION_POINTERS* pointers);

}  // namespace vorn
