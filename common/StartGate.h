#pragma once
// At most one new launcher a second on the whole machine, however many windows or pages
// ask for one: every launcher and every game process of the program passes the same gate.
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vorn {

inline constexpr std::uint64_t kLauncherStartPeriodMs = 1000;

// nowMs and lastMs on one monotonic clock (the system's milliseconds since start); lastMs 0
// is "never". A last start that lies ahead of now is no proof of anything and lets nothing
// through: only a fault could write one, and a stuck gate is the safe failure.
bool StartGateAllows(std::uint64_t nowMs, std::uint64_t lastMs, std::uint64_t periodMs);

#ifdef _WIN32
// True when a new launcher may start now; the time of this start is then kept for every
// process of the machine (in a shared section only administrators may write, guarded by
// a named mutex). Whatever goes wrong (the names taken by someone else, the lock not had in
// time) answers false: another user can hold starts back, never let one through.
bool PassLauncherStartGate();
#endif

}  // namespace vorn
