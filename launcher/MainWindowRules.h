#pragma once
// Decisions of the launcher main window that need no window: where the game windows and
// the caption controls go, how small the window may become, and what the window does with
// a queued message before it is dispatched.
#include <cstdint>
#include <string>
#include <string_view>

#include "common/GameMessages.h"
#include "hotkeys/HotKeyFormat.h"
#include "skin/DialogGeometry.h"

namespace vorn::launcher {

using skin::Rect;

// The command lines the launcher starts programs with, its own path quoted so that a path
// with spaces cannot be read as a shorter program followed by arguments. A game process:
// the window handle (as the signed 32-bit value it travels as) and the current tab count.
std::u16string TabProcessCommandLine(std::u16string_view exePath, std::int32_t windowHandle, int tabCount);
std::u16string UpdaterCommandLine(std::u16string_view exePath);

// The rectangle every game window (tab or page window) takes in a client area of
// width x height: inset 4 left, right and bottom, 30 at the top; never negative.
Rect GameWindowRect(int width, int height);

// The caption controls placed from the right edge of a client area `width` wide.
struct CaptionControls {
    Rect hide, sound, menu, link;
};
CaptionControls CaptionControlRects(int width);

// Raises a proposed window size to the smallest that shows `tabCount` tabs and the
// controls beside them; without tabs any size goes.
struct Size {
    int cx = 0, cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};
Size MinimumWindowSize(int tabCount, Size proposed);

// What the main window does with a queued message before dispatching it.
enum class QueuedAction {
    kPass,                  // tool-tip relay and the dialog's own handling
    kNextTab,               // the window-switch key: next tab, consumed
    kSwallow,               // Esc, Space, a login cancelled beside tabs: consumed, nothing happens
    kExit,                  // a cancelled first login: the launcher ends quietly
    kEndPendingAndExit,     // closed while only a login is showing: end it and the launcher
    kForwardToTab,          // F5 and Ctrl+D: to the selected tab or the page window
    kRestoreThenPass,       // restore from the taskbar before any tab exists
};

struct QueuedMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// hotKey: what HotKeyRoleOf makes of the message in the launcher's windows. toMainWindow:
// the message is aimed at the main window itself. System commands count only then: the
// close button of a message box or the add-account question also posts SC_CLOSE, to its
// own window, and must not end the launcher. A cancelled login beside open tabs changes
// nothing: the login's process ends by itself, and its end is reported on its own.
QueuedAction ClassifyQueuedMessage(const QueuedMessage& msg, bool toMainWindow, HotKeyRole hotKey, int tabCount);

}  // namespace vorn::launcher
