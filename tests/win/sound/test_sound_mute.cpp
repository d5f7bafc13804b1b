// The mixer path (this prefix reports Windows 6.1), and the wave replacement in front of
// a recording stand-in: the block must be zeroed before it is handed on.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <vector>

#include "sound/SoundMute.h"
#include "sound/SoundMuteState.h"

using namespace vorn;

TEST(SoundMuteMixer, WithoutAMixerDeviceTheMixerPathAnswersZeroAndInstallsNothing) {
    ASSERT_TRUE(sound::IsVersion6OrLater());
    if (mixerGetNumDevs() != 0) GTEST_SKIP() << "this prefix has a mixer device";
    const auto* wave = reinterpret_cast<const std::uint8_t*>(
        GetProcAddress(GetModuleHandleW(L"winmm.dll"), "waveOutWrite"));
    const std::vector<std::uint8_t> before(wave, wave + 32);
    EXPECT_EQ(SetSoundMute(1), 0);
    EXPECT_EQ(SetSoundMute(0), 0);
    EXPECT_EQ(SetMixerLineMute(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 1), 0);
    EXPECT_FALSE(sound::g_interceptionInstalled.load());
    EXPECT_EQ(std::vector<std::uint8_t>(wave, wave + 32), before);
    // Every call opens anew and nothing stays open: many calls behave as the first.
    for (int i = 0; i < 200; ++i) ASSERT_EQ(SetSoundMute(i & 1), 0);
}

namespace {

std::vector<char> g_seen;
UINT g_seenSize = 0;
MMRESULT WINAPI RecordWave(HWAVEOUT, WAVEHDR* header, UINT size) {
    g_seen.assign(header->lpData, header->lpData + header->dwBufferLength);
    g_seenSize = size;
    return 77;
}
MMRESULT WINAPI CountNull(HWAVEOUT, WAVEHDR* header, UINT) { return header ? 1 : 79; }

std::vector<char> Pattern() {
    std::vector<char> block(4096);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 13 + 1);
    return block;
}

class Replacements : public testing::Test {
protected:
    void SetUp() override {
        wave_ = sound::g_waveOutWrite;
        flag_ = sound::g_muteFlag.load();
        sound::g_waveOutWrite = RecordWave;
    }
    void TearDown() override {
        sound::g_waveOutWrite = wave_;
        sound::g_muteFlag = flag_;
    }
    sound::WaveOutWriteFn wave_;
    int flag_;
};

}  // namespace

TEST_F(Replacements, WaveBlocksAreZeroedBeforeTheyArePassedOn) {
    std::vector<char> block = Pattern();
    WAVEHDR header{};
    header.lpData = block.data();
    header.dwBufferLength = static_cast<DWORD>(block.size());
    sound::g_muteFlag = 1;
    EXPECT_EQ(MuteWaveOutWrite(nullptr, &header, sizeof header), 77u);
    EXPECT_EQ(g_seen, std::vector<char>(4096, 0));  // the callee already saw zeros
    EXPECT_EQ(g_seenSize, sizeof header);
    sound::g_muteFlag = 0;
    block = Pattern();
    EXPECT_EQ(MuteWaveOutWrite(nullptr, &header, sizeof header), 77u);
    EXPECT_EQ(g_seen, Pattern());
    // Only dwBufferLength bytes are touched.
    sound::g_muteFlag = 1;
    block = Pattern();
    header.dwBufferLength = 100;
    MuteWaveOutWrite(nullptr, &header, sizeof header);
    EXPECT_EQ(std::vector<char>(block.begin(), block.begin() + 100), std::vector<char>(100, 0));
    const std::vector<char> pattern = Pattern();
    EXPECT_EQ(std::vector<char>(block.begin() + 100, block.end()), std::vector<char>(pattern.begin() + 100, pattern.end()));
    // No header: handed on as it is.
    sound::g_waveOutWrite = CountNull;
    EXPECT_EQ(MuteWaveOutWrite(nullptr, nullptr, 0), 79u);
}
