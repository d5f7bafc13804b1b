#pragma once
// The program's own API interception engine: rewrites the entry of a function in this
// process so that calls from every module reach a replacement, and hands back a
// trampoline that performs the real function.
//
// Usage, on one thread:
//   InterceptRestoreImports();                 // once, before the first transaction
//   InterceptBegin();
//   InterceptEnlistThread(GetCurrentThread());
//   InterceptAttach(&entry, Replacement);     // entry: holds the function (or its import stub)
//   InterceptCommit();                         // now entry holds the trampoline
//
// Nothing is written to any function before commit. A failing attach or detach is not
// taken into the transaction (its result says why) and the others still commit; a commit
// that cannot make every target writable writes none of them.
#include <windows.h>

namespace vorn {

// Undoes an in-memory rewrite of the executable's import directory (left by a launcher
// that injects a library through it): the directory entries are put back as the file on
// disk has them. Returns TRUE when something was put back, FALSE when nothing differed.
BOOL InterceptRestoreImports();

LONG InterceptBegin();
// Suspends the thread (unless it is the calling one) until commit or abort, and moves it
// out of any bytes the transaction rewrites. The handle must stay open until then.
LONG InterceptEnlistThread(HANDLE thread);
LONG InterceptAttach(void** entry, void* replacement);
LONG InterceptDetach(void** entry, void* replacement);
LONG InterceptCommit();
LONG InterceptAbort();

// Results besides NO_ERROR.
//   ERROR_INVALID_OPERATION  no transaction, one already open, or opened by another thread
//   ERROR_INVALID_PARAMETER  null entry or replacement, or detach of what is not attached
//   ERROR_INVALID_BLOCK      the target's first instructions cannot be moved (refused)
//   ERROR_ALREADY_EXISTS     the target is attached already, or twice in one transaction
//   ERROR_NOT_ENOUGH_MEMORY  no memory for a trampoline within reach of the target
//   other                    GetLastError of a failed system call during commit

}  // namespace vorn
