#pragma once
// Runs this test program again in a process that sees Windows XP: Wine's per-program
// version setting for this executable is set for the run and removed afterwards. The
// child shares the console and the command line; its exit code is returned.
namespace vorn::testing_rig {

bool IsXpChild();
int RunAgainUnderWindowsXp();

}  // namespace vorn::testing_rig
