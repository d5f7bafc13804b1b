// With a real (file-backed) sound device: what the mixer path leaves in the mixer, and
// which bytes reach the device through the interception path. Run by with_sound_device.sh.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sound/SoundMute.h"
#include "sound/SoundMuteState.h"

using namespace vorn;

namespace {

std::wstring AudioFile() {
    wchar_t path[MAX_PATH] = {};
    GetEnvironmentVariableW(L"VORN_AUDIO_FILE", path, MAX_PATH);
    return path;
}

std::string ReadAll(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buffer[8192];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    CloseHandle(f);
    return out;
}

// The mute control of the line of a component type on mixer 0: -1 when there is none.
int MuteControlOf(DWORD componentType) {
    HMIXER mixer = nullptr;
    if (mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_HMIXER) != MMSYSERR_NOERROR) return -1;
    auto* object = reinterpret_cast<HMIXEROBJ>(mixer);
    int state = -1;
    MIXERLINEW line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = componentType;
    MIXERCONTROLW control{};
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof controls;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    BOOL value = FALSE;
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    if (mixerGetLineInfoW(object, &line, MIXER_GETLINEINFOF_COMPONENTTYPE | MIXER_OBJECTF_HMIXER) == 0) {
        controls.dwLineID = line.dwLineID;
        if (mixerGetLineControlsW(object, &controls, MIXER_GETLINECONTROLSF_ONEBYTYPE | MIXER_OBJECTF_HMIXER) == 0) {
            details.dwControlID = control.dwControlID;
            if (mixerGetControlDetailsW(object, &details, MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER) == 0)
                state = value ? 1 : 0;
        }
    }
    mixerClose(mixer);
    return state;
}

// Plays blocks of 8-bit mono sound, whose silence is 0x80, so zeros written by the mute
// stand out from the device's own padding.
class WaveDevice {
public:
    WaveDevice() {
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 1;
        format.nSamplesPerSec = 8000;
        format.wBitsPerSample = 8;
        format.nBlockAlign = 1;
        format.nAvgBytesPerSec = 8000;
        opened_ = waveOutOpen(&device_, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
    }
    ~WaveDevice() {
        if (opened_) waveOutClose(device_);
    }
    bool opened() const { return opened_; }
    MMRESULT Play(std::vector<char>& block) {
        WAVEHDR header{};
        header.lpData = block.data();
        header.dwBufferLength = static_cast<DWORD>(block.size());
        waveOutPrepareHeader(device_, &header, sizeof header);
        const MMRESULT result = waveOutWrite(device_, &header, sizeof header);
        for (int i = 0; i < 250 && result == MMSYSERR_NOERROR && !(header.dwFlags & WHDR_DONE); ++i) Sleep(20);
        waveOutUnprepareHeader(device_, &header, sizeof header);
        return result;
    }

private:
    HWAVEOUT device_ = nullptr;
    bool opened_ = false;
};

std::vector<char> Pattern() {
    std::vector<char> block(4096);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(0x11 + i % 0x60);  // never 0 or 0x80
    return block;
}

}  // namespace

TEST(SoundDevice, TheRigGivesADevice) {
    ASSERT_FALSE(AudioFile().empty()) << "run through with_sound_device.sh";
    EXPECT_GT(waveOutGetNumDevs(), 0u);
}

TEST(SoundDevice, MixerPathSwitchesTheMuteControls) {
    if (!sound::IsVersion6OrLater()) GTEST_SKIP() << "the mixer path is for version 6 and later";
    ASSERT_GT(mixerGetNumDevs(), 0u);
    // Every call of both steps succeeds. This Wine accepts the wave-out line's mute but
    // does not report it back through a new handle, so only the speakers line is read.
    EXPECT_EQ(SetMixerLineMute(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 1), 1);
    EXPECT_EQ(SetMixerLineMute(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, 0), 1);
    EXPECT_EQ(SetSoundMute(1), 1);
    EXPECT_EQ(MuteControlOf(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), 1);
    EXPECT_EQ(SetSoundMute(0), 1);
    EXPECT_EQ(MuteControlOf(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS), 0);
    // A line the mixer does not have fails its step, and so the call.
    EXPECT_EQ(SetMixerLineMute(MIXERLINE_COMPONENTTYPE_DST_TELEPHONE, 1), 0);
    EXPECT_FALSE(sound::g_interceptionInstalled.load());
}

TEST(SoundDevice, UnderXpMutedBlocksReachTheDeviceAsZeros) {
    if (sound::IsVersion6OrLater()) GTEST_SKIP() << "the interception path is for earlier versions";
    const std::wstring file = AudioFile();
    ASSERT_FALSE(file.empty());
    const std::vector<char> pattern = Pattern();
    {
        WaveDevice device;
        ASSERT_TRUE(device.opened());
        EXPECT_EQ(SetSoundMute(1), 1);
        std::vector<char> block = pattern;
        EXPECT_EQ(device.Play(block), static_cast<MMRESULT>(MMSYSERR_NOERROR));
        EXPECT_EQ(SetSoundMute(0), 1);
        block = pattern;
        EXPECT_EQ(device.Play(block), static_cast<MMRESULT>(MMSYSERR_NOERROR));
    }
    const std::string played = ReadAll(file);
    const std::string zeros(4096, '\0');
    const std::string sound(pattern.begin(), pattern.end());
    // The muted block arrived as 4096 zeros, the other one byte for byte, exactly once.
    const std::size_t silent = played.find(zeros);
    const std::size_t audible = played.find(sound);
    ASSERT_NE(audible, std::string::npos) << played.size() << " bytes played";
    EXPECT_LT(silent, audible);
    EXPECT_EQ(played.find(sound, audible + 1), std::string::npos);
}
