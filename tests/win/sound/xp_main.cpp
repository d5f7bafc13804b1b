// Test main of a program whose tests need a process that sees Windows XP.
#include <gtest/gtest.h>

#include "XpRelaunch.h"
#include "sound/SoundMuteState.h"

int main(int argc, char** argv) {
    if (vorn::sound::IsVersion6OrLater()) return vorn::testing_rig::RunAgainUnderWindowsXp();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
