#include "launcher/MainWindowRules.h"

#include "common/PathRules.h"
#include "common/TextNumbers.h"
#include "launcher/TabStrip.h"

namespace vorn::launcher {

namespace {

// The platform's message numbers, spelled out because this file has no <windows.h>.
constexpr unsigned kWmKeyDown = 0x0100, kWmChar = 0x0102, kWmSysCommand = 0x0112;
constexpr std::uintptr_t kScClose = 0xF060, kScRestore = 0xF120;
constexpr std::uintptr_t kVkEscape = 0x1B, kVkSpace = 0x20, kVkF5 = 0x74;
constexpr std::uintptr_t kCtrlD = 4;
constexpr unsigned kScanCodeD = 0x0020;  // high word of lParam: scan code of D, no flags

constexpr int kMinWidthBesideTabs = 483;
constexpr int kMinHeight = 260;

int NonNegative(int value) { return value < 0 ? 0 : value; }

std::u16string FormatSigned(std::int32_t value) {
    if (value >= 0) return FormatUnsigned(static_cast<std::uint32_t>(value));
    return u"-" + FormatUnsigned(0u - static_cast<std::uint32_t>(value));
}

}  // namespace

std::u16string TabProcessCommandLine(std::u16string_view exePath, std::int32_t windowHandle, int tabCount) {
    return QuotedProgramPath(exePath) + u" /newgm /" + FormatSigned(windowHandle) + u" /" + FormatSigned(tabCount);
}

std::u16string UpdaterCommandLine(std::u16string_view exePath) { return QuotedProgramPath(exePath) + u" /update"; }

Rect GameWindowRect(int width, int height) {
    return {4, 30, 4 + NonNegative(width - 8), 30 + NonNegative(height - 34)};
}

CaptionControls CaptionControlRects(int width) {
    return {
        {width - 114, 0, width - 114 + 27, 27},
        {width - 141, 0, width - 141 + 27, 27},
        {width - 185, 0, width - 185 + 44, 28},
        {width - 285, 7, width - 285 + 92, 7 + 16},
    };
}

Size MinimumWindowSize(int tabCount, Size proposed) {
    if (tabCount <= 0) return proposed;
    const int minWidth = kTabPitch * tabCount + kMinWidthBesideTabs;
    if (proposed.cx < minWidth) proposed.cx = minWidth;
    if (proposed.cy < kMinHeight) proposed.cy = kMinHeight;
    return proposed;
}

QueuedAction ClassifyQueuedMessage(const QueuedMessage& msg, bool toMainWindow, HotKeyRole hotKey, int tabCount) {
    using messages::kOwnMessageMarker;
    if (hotKey == HotKeyRole::kSwitch) return QueuedAction::kNextTab;
    if (msg.message == kWmKeyDown && (msg.wParam == kVkEscape || msg.wParam == kVkSpace)) return QueuedAction::kSwallow;
    const bool ownSysCommand = toMainWindow && msg.message == kWmSysCommand;
    if (ownSysCommand && (msg.wParam & 0xFFF0) == kScClose) {
        if (msg.lParam == kOwnMessageMarker) {
            return tabCount == 0 ? QueuedAction::kExit : QueuedAction::kSwallow;
        }
        if (msg.lParam == 0 && tabCount == 0) return QueuedAction::kEndPendingAndExit;
        return QueuedAction::kPass;
    }
    if (tabCount > 0) {
        const bool ctrlD = msg.message == kWmChar && msg.wParam == kCtrlD &&
                           ((static_cast<std::uintptr_t>(msg.lParam) >> 16) & 0xFFFF) == kScanCodeD;
        const bool f5 = msg.message == kWmKeyDown && msg.wParam == kVkF5;
        if (ctrlD || f5) return QueuedAction::kForwardToTab;
    }
    if (ownSysCommand && (msg.wParam & 0xFFF0) == kScRestore && tabCount == 0) {
        return QueuedAction::kRestoreThenPass;
    }
    return QueuedAction::kPass;
}

}  // namespace vorn::launcher
