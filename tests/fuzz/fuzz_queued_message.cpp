// A queued message ends the launcher only as the main window's own close with no tab (a
// cancelled login beside tabs changes nothing); a message aimed at another window (a
// message box, the add-account question) never ends or restores anything; keys act only
// as their rule says.
#include "FuzzSupport.h"
#include "launcher/MainWindowRules.h"

using namespace vorn;
using namespace vorn::launcher;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    static constexpr unsigned kMessages[] = {0x0100, 0x0102, 0x0104, 0x0112};
    static constexpr std::uintptr_t kWords[] = {0xF060, 0xF061, 0xF120, 0x1B, 0x20, 0x74, 4, 0x09};
    const std::uint8_t pick = input.Byte();
    QueuedMessage msg;
    msg.message = pick & 4 ? input.U32() : kMessages[pick & 3];
    msg.wParam = pick & 8 ? input.U32() : kWords[input.Byte() % 8];
    msg.lParam =
        pick & 16 ? static_cast<std::int32_t>(input.U32()) : (pick & 32 ? messages::kOwnMessageMarker : 0);
    const bool toMain = pick & 64;
    const HotKeySet keys{{input.Byte() % 128, input.Byte() % 8}, {input.Byte() % 128, input.Byte() % 8},
                         {input.Byte() % 128, input.Byte() % 8}};
    const int held = input.Byte() % 8, tabs = input.Byte() % 4;
    const KeyPressContext where{false, tabs, (pick & 128) != 0};
    const HotKeyRole role = HotKeyRoleOf(keys, msg.message, static_cast<int>(msg.wParam), msg.lParam, held, where);

    const QueuedAction action = ClassifyQueuedMessage(msg, toMain, role, tabs);
    const bool ownClose = toMain && msg.message == 0x0112 && (msg.wParam & 0xFFF0) == 0xF060;
    switch (action) {
    case QueuedAction::kExit: FUZZ_CHECK(ownClose && tabs == 0 && msg.lParam == messages::kOwnMessageMarker); break;
    case QueuedAction::kEndPendingAndExit: FUZZ_CHECK(ownClose && tabs == 0 && msg.lParam == 0); break;
    case QueuedAction::kRestoreThenPass: FUZZ_CHECK(toMain && msg.message == 0x0112 && tabs == 0); break;
    case QueuedAction::kForwardToTab: FUZZ_CHECK(tabs > 0 && (msg.message == 0x0100 || msg.message == 0x0102)); break;
    case QueuedAction::kNextTab:
        // Never a key typed into a key box, nor one the program marked as its own.
        FUZZ_CHECK((msg.message == 0x0100 || msg.message == 0x0104) && msg.lParam != messages::kOwnMessageMarker &&
                   !where.inKeyBox && HotKeyMatches(keys.sw, static_cast<int>(msg.wParam), held));
        break;
    case QueuedAction::kSwallow:
        FUZZ_CHECK((msg.message == 0x0100 && (msg.wParam == 0x1B || msg.wParam == 0x20)) ||
                   (ownClose && tabs > 0 && msg.lParam == messages::kOwnMessageMarker));
        break;
    case QueuedAction::kPass: break;
    }
    return 0;
}
