#pragma once
// Starting another program the way every part of this one does it.
#include <windows.h>

#include <string>

namespace vorn {

// Starts a program with the command line, idle priority, shown normally. The process
// handle when wanted (the caller closes it), else closed at once; the thread handle is
// always closed. FALSE when no process started.
BOOL StartProcess(const wchar_t* application, std::wstring commandLine, HANDLE* process);

}  // namespace vorn
