// Test main that runs the tests once as the prefix reports the version and once more in a
// process that sees Windows XP; tests meant for one of the two skip in the other.
#include <gtest/gtest.h>

#include "XpRelaunch.h"
#include "sound/SoundMuteState.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int here = RUN_ALL_TESTS();
    if (!vorn::sound::IsVersion6OrLater() || vorn::testing_rig::IsXpChild()) return here;
    const int underXp = vorn::testing_rig::RunAgainUnderWindowsXp();
    return here != 0 ? here : underXp;
}
