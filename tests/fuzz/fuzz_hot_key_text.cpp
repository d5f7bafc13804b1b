// A stored hot-key text reads back as the pair it was stored from, whatever the pair;
// any stored text, stored again, reads the same; the display text ends with the key's name.
#include "FuzzSupport.h"
#include "hotkeys/HotKeyFormat.h"

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const int code = static_cast<int>(input.U32()), modifiers = static_cast<int>(input.U32());
    FUZZ_CHECK(ParseHotKeyText(StoreHotKeyText(code, modifiers)) == (HotKey{code, modifiers}));

    const HotKey read = ParseHotKeyText(input.Text());
    FUZZ_CHECK(ParseHotKeyText(StoreHotKeyText(read.code, read.modifiers)) == read);
    const std::u16string shown = FormatHotKeyText(read.code, read.modifiers);
    FUZZ_CHECK(read.code == 0 ? shown == kNoHotKeyText : shown.ends_with(KeyName(read.code)));
    FUZZ_CHECK(KeyName(read.code).size() <= 15);
    return 0;
}
