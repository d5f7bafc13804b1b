#pragma once
// The hot-key pair (virtual-key code, modifier bits), its stored text and its display text.
// The stored text is all that the launcher, the game windows and the settings dialog share
// about hot keys, so it is read and written in one place.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

inline constexpr int kModAlt = 1;
inline constexpr int kModCtrl = 2;
inline constexpr int kModShift = 4;

struct HotKey {
    int code = 0;       // virtual-key code; 0 = no hot key
    int modifiers = 0;  // kModAlt | kModCtrl | kModShift
    friend bool operator==(const HotKey&, const HotKey&) = default;
};

// Stored text: "<modifiers>,<code>", both read like _wtoi. Text without a comma is all
// modifiers (code 0); text without digits reads as 0.
HotKey ParseHotKeyText(std::u16string_view stored);
std::u16string StoreHotKeyText(int code, int modifiers);

// Display text: "无" for code 0; otherwise the "Ctrl  +  ", "Shift  +  ", "Alt  +  "
// prefixes in that order followed by the key's name. The settings dialog reads the
// modifiers back from these words and an unfinished entry from a trailing space.
std::u16string FormatHotKeyText(int code, int modifiers);
inline constexpr char16_t kNoHotKeyText[] = u"无";
inline constexpr char16_t kCtrlPrefix[] = u"Ctrl  +  ";
inline constexpr char16_t kShiftPrefix[] = u"Shift  +  ";
inline constexpr char16_t kAltPrefix[] = u"Alt  +  ";

// Name of a key (at most 15 characters); empty for every code without a name.
std::u16string_view KeyName(int code);

// Whether a key may be the main key of a hot key. Tab is not among them: only the
// window-switch key allows it, and that is the settings dialog's business.
bool IsHotKeyCode(int code);

// A key-down of `code` with the modifier set held at that moment.
bool HotKeyMatches(const HotKey& hotKey, int code, int modifiersDown);

// The three hot keys, read together from the settings and handed on by value.
struct HotKeySet {
    HotKey boss;    // ShortKey: hides the launcher, anywhere on the desktop
    HotKey sw;      // AltWndKey: the next tab, in the launcher's windows only
    HotKey sound;   // SndKey: the game windows' sound, anywhere on the desktop
    friend bool operator==(const HotKeySet&, const HotKeySet&) = default;
};

enum class HotKeyRole { kNone, kBoss, kSound, kSwitch };

// Where a key press was seen.
struct KeyPressContext {
    bool global = false;    // by the launcher's keyboard hook (any program may have the focus)
    int tabCount = 0;       // the launcher's tabs: without one the boss and sound keys are dead
    bool inKeyBox = false;  // typed into a key box of the settings dialog: a setting, no command
};

// Whether a press is one of the hot keys where it was seen. Only presses count (repeats
// included); a key carrying the program's own marker (lParam 7261) is never a hot key; a
// combination that is the boss key and another acts as the boss key. The window-switch
// key counts only in the launcher's own windows (global false), the other two only while
// there is a tab.
HotKeyRole HotKeyRoleOf(const HotKeySet& keys, unsigned message, int vk, std::intptr_t lParam, int modifiersDown,
                        const KeyPressContext& context);

// The same question without the modifiers: false for every key that cannot be a hot key
// there, whatever is held. The keyboard hook asks which window has the focus only when
// this is true.
bool MayBeHotKey(const HotKeySet& keys, unsigned message, int vk, const KeyPressContext& context);

// The modifiers held, as the keyboard hook's own stream of keys tells them: inside a
// low-level hook the thread's key state may not yet have taken a Ctrl pressed just
// before, so the hook keeps one side's bit per modifier key (left and right apart, so
// that releasing one of two held Ctrl keys keeps Ctrl held). Takes every key event the
// hook sees; other keys leave the state as it was.
class ModifierTracker {
public:
    void Seed(int vk, bool down) { Set(vk, down); }
    void Take(unsigned message, int vk);
    int Held() const;  // kModAlt | kModCtrl | kModShift

private:
    void Set(int vk, bool down);
    unsigned m_sides = 0;
};

}  // namespace vorn
