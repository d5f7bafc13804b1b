#pragma once
// The launcher's global low-level keyboard hook. It runs for every key pressed anywhere
// on the desktop, on the thread that installed it, and the system gives up on a hook that
// answers late: so it only compares and posts what it decided to the launcher window
// (kMsgHotKey, wParam a HotKeyRole), and hands every key on. It never waits, allocates or
// asks the system anything for a key that is no hot key.
#include <windows.h>

#include <vector>

#include "hotkeys/HotKeyFormat.h"

namespace vorn::launcher {

// Where the hook posts, and the tab windows whose number decides whether the keys are alive
// (read at each key; the vector must outlive the hook).
void SetKeyHookTarget(HWND target, const std::vector<HWND>* tabs);
// The hot keys as the window loaded them, copied.
void SetKeyHookKeys(const HotKeySet& keys);

// One hook per process, for the thread that calls this.
bool InstallKeyHook();
// Removes the hook and forgets the target.
void RemoveKeyHook();

LRESULT CALLBACK KeyHookProc(int code, WPARAM wParam, LPARAM lParam);

}  // namespace vorn::launcher
