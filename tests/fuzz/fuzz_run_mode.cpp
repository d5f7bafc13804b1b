// The run mode read from a command line: switches are matched whatever their letter case,
// and only the game processes' switches carry numbers.
#include "FuzzSupport.h"
#include "common/RunMode.h"

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::u16string exe = input.Text(64), folder = input.Text(64);
    std::vector<std::u16string> args = input.Texts();
    args.insert(args.begin(), u"Zelqa7.exe");
    const RunModeChoice choice = ChooseRunMode(args, exe, folder);
    FUZZ_CHECK(choice.mode >= MODE_INSTALL && choice.mode <= MODE_GMHALL);
    if (choice.mode != MODE_NEWGM) FUZZ_CHECK(choice.launcherTabs == 0);
    if (choice.mode != MODE_NEWGM && choice.mode != MODE_GMHALL) FUZZ_CHECK(choice.launcherWnd == 0);
    if (choice.mode == MODE_INSTALLED) FUZZ_CHECK(!folder.empty() && exe.find(folder) != std::u16string::npos);

    std::vector<std::u16string> upper = args;
    upper[1] = fuzz::AsciiUpper(upper[1]);
    const RunModeChoice same = ChooseRunMode(upper, exe, folder);
    FUZZ_CHECK(same.mode == choice.mode && same.launcherWnd == choice.launcherWnd &&
               same.launcherTabs == choice.launcherTabs);
    return 0;
}
