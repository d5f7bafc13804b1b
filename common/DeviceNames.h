#pragma once
// The names the system keeps for devices. A file name whose part before the first "."
// is one of them opens the device, in whatever folder it is placed, so every name that
// comes from a page, a server or a player and becomes a file name is checked here.
#include <string_view>

namespace vorn {

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-COM9, LPT1-LPT9 (also with a superscript
// digit), in any letter case, alone or before an extension ("CON.txt"), with trailing
// blanks ignored as the system ignores them ("NUL .txt").
bool IsReservedDeviceName(std::u16string_view name);

}  // namespace vorn
