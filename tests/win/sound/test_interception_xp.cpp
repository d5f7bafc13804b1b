// The interception path on the real winmm and dsound functions, in a process that sees
// Windows XP (see XpRelaunch.h). The tests build on each other and run in this order.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>

#include <cstring>
#include <vector>

#include "intercept/Trampoline.h"
#include "common/ModulePath.h"
#include "sound/SoundMute.h"
#include "sound/SoundMuteState.h"

using namespace vorn;

namespace {

constexpr std::size_t kBlock = 4096;
const auto kBadWave = reinterpret_cast<HWAVEOUT>(static_cast<std::uintptr_t>(0xDEAD));
const auto kBadMidi = reinterpret_cast<HMIDISTRM>(static_cast<std::uintptr_t>(0xDEAD));

using WaveWrite = MMRESULT(WINAPI*)(HWAVEOUT, WAVEHDR*, UINT);
using MidiOut = MMRESULT(WINAPI*)(HMIDISTRM, MIDIHDR*, UINT);
using DsCreate = HRESULT(WINAPI*)(const GUID*, IDirectSound**, IUnknown*);

template <class Fn>
Fn Proc(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct Targets {
    HMODULE winmm = LoadLibraryW(L"winmm.dll");
    HMODULE dsound = LoadLibraryW(L"dsound.dll");
    HMODULE caller = LoadLibraryW(GetModulePath(L"vorn_audio_caller.dll").c_str());
    WaveWrite wave = Proc<WaveWrite>(winmm, "waveOutWrite");
    MidiOut midi = Proc<MidiOut>(winmm, "midiStreamOut");
    DsCreate create = Proc<DsCreate>(dsound, "DirectSoundCreate");
    WaveWrite callerWave = Proc<WaveWrite>(caller, "CallWaveOutWrite");
    MidiOut callerMidi = Proc<MidiOut>(caller, "CallMidiStreamOut");
};
const Targets& T() {
    static const Targets targets;
    return targets;
}

using Bytes = std::vector<std::uint8_t>;
template <class Fn>
Bytes Head(Fn code) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(code);
    return Bytes(p, p + 32);
}

// What the real functions said and looked like before anything was installed.
struct Before {
    Bytes wave, midi, create;
    MMRESULT waveBadHandle, midiBadHandle;
    HRESULT createResult;
};
Before g_before;

std::vector<char> Pattern() {
    std::vector<char> block(kBlock);
    for (std::size_t i = 0; i < kBlock; ++i) block[i] = static_cast<char>(i * 7 + 3);
    return block;
}
bool AllZero(const std::vector<char>& block) {
    for (char c : block)
        if (c != 0) return false;
    return true;
}

MMRESULT WriteBlock(WaveWrite write, std::vector<char>& block) {
    WAVEHDR header{};
    header.lpData = block.data();
    header.dwBufferLength = static_cast<DWORD>(block.size());
    return write(kBadWave, &header, sizeof header);
}
MMRESULT StreamBlock(MidiOut out, std::vector<char>& block) {
    MIDIHDR header{};
    header.lpData = block.data();
    header.dwBufferLength = static_cast<DWORD>(block.size());
    return out(kBadMidi, &header, sizeof header);
}

template <class Fn>
bool JumpsTo(Fn code, const void* destination) {
    std::uint8_t jump[intercept::kAbsoluteJumpSize];
    intercept::EncodeAbsoluteJump(jump, reinterpret_cast<std::uintptr_t>(destination));
    return std::memcmp(reinterpret_cast<const void*>(code), jump, sizeof jump) == 0;
}

}  // namespace

TEST(InterceptionXp, FirstRequestForSoundInstallsAndKeepsSoundOn) {
    ASSERT_FALSE(sound::IsVersion6OrLater());
    ASSERT_NE(T().wave, nullptr);
    ASSERT_NE(T().midi, nullptr);
    ASSERT_NE(T().create, nullptr);
    ASSERT_NE(T().callerWave, nullptr) << "vorn_audio_caller.dll beside the test";
    g_before.wave = Head(T().wave);
    g_before.midi = Head(T().midi);
    g_before.create = Head(T().create);
    std::vector<char> block = Pattern();
    g_before.waveBadHandle = WriteBlock(T().wave, block);
    g_before.midiBadHandle = StreamBlock(T().midi, block);
    IDirectSound* device = nullptr;
    g_before.createResult = T().create(nullptr, &device, nullptr);
    if (device) device->Release();
    EXPECT_NE(g_before.waveBadHandle, static_cast<MMRESULT>(MMSYSERR_NOERROR));
    EXPECT_EQ(sound::g_muteFlag.load(), 1);  // muted until told otherwise
    EXPECT_FALSE(sound::g_interceptionInstalled.load());

    EXPECT_EQ(SetSoundMute(0), 1);
    EXPECT_TRUE(sound::g_interceptionInstalled.load());
    EXPECT_EQ(sound::g_muteFlag.load(), 0);
    // The functions' own entries now lead to the replacements; the entries hold trampolines.
    EXPECT_TRUE(JumpsTo(T().wave, reinterpret_cast<void*>(MuteWaveOutWrite)));
    EXPECT_TRUE(JumpsTo(T().midi, reinterpret_cast<void*>(MuteMidiStreamOut)));
    EXPECT_TRUE(JumpsTo(T().create, reinterpret_cast<void*>(MuteDirectSoundCreate)));
    EXPECT_NE(reinterpret_cast<void*>(sound::g_waveOutWrite), reinterpret_cast<void*>(T().wave));
    // Sound on: a block passes untouched, and the real function's answer comes back.
    block = Pattern();
    EXPECT_EQ(WriteBlock(T().wave, block), g_before.waveBadHandle);
    EXPECT_EQ(block, Pattern());
}

TEST(InterceptionXp, MutedBlocksReachTheRealWaveOutWriteZeroedFromEveryCaller) {
    const WaveWrite callers[] = {T().wave, T().callerWave, waveOutWrite};
    for (WaveWrite write : callers) {
        EXPECT_EQ(SetSoundMute(1), 1);
        std::vector<char> block = Pattern();
        EXPECT_EQ(WriteBlock(write, block), g_before.waveBadHandle);
        EXPECT_TRUE(AllZero(block));
        EXPECT_EQ(SetSoundMute(0), 1);
        block = Pattern();
        EXPECT_EQ(WriteBlock(write, block), g_before.waveBadHandle);
        EXPECT_EQ(block, Pattern());
    }
    // A header without data, or no header at all, is the real function's to refuse.
    SetSoundMute(1);
    WAVEHDR empty{};
    empty.dwBufferLength = kBlock;
    EXPECT_EQ(T().wave(kBadWave, &empty, sizeof empty), g_before.waveBadHandle);
    EXPECT_NE(T().wave(kBadWave, nullptr, sizeof empty), static_cast<MMRESULT>(MMSYSERR_NOERROR));
}

TEST(InterceptionXp, MidiStreamBlocksLikewise) {
    for (MidiOut out : {T().midi, T().callerMidi, midiStreamOut}) {
        SetSoundMute(1);
        std::vector<char> block = Pattern();
        EXPECT_EQ(StreamBlock(out, block), g_before.midiBadHandle);
        EXPECT_TRUE(AllZero(block));
        SetSoundMute(0);
        block = Pattern();
        EXPECT_EQ(StreamBlock(out, block), g_before.midiBadHandle);
        EXPECT_EQ(block, Pattern());
    }
}

TEST(InterceptionXp, LaterCallsOnlySetTheFlag) {
    const void* trampoline = reinterpret_cast<void*>(sound::g_waveOutWrite);
    const Bytes patched = Head(T().wave);
    for (int state : {1, 0, 1, 1, 0}) {
        EXPECT_EQ(SetSoundMute(state), 1);
        EXPECT_EQ(sound::g_muteFlag.load(), state);
    }
    EXPECT_EQ(reinterpret_cast<void*>(sound::g_waveOutWrite), trampoline);
    EXPECT_EQ(Head(T().wave), patched);
}

TEST(InterceptionXp, DirectSoundCreateAnswersAsTheRealOne) {
    IDirectSound* device = nullptr;
    const HRESULT hr = T().create(nullptr, &device, nullptr);
    EXPECT_EQ(hr, g_before.createResult);
    if (SUCCEEDED(hr)) {
        // A device exists here: its table's CreateSoundBuffer entry is now ours.
        void** table = *reinterpret_cast<void***>(device);
        EXPECT_EQ(sound::g_createSoundBufferPatch.slot.load(), &table[sound::kCreateSoundBufferSlot]);
        EXPECT_EQ(table[sound::kCreateSoundBufferSlot], reinterpret_cast<void*>(MuteCreateSoundBuffer));
        device->Release();
    } else {
        EXPECT_EQ(device, nullptr);
        EXPECT_EQ(sound::g_createSoundBufferPatch.slot.load(), nullptr);  // a failure patches nothing
    }
    // No place for the object: the real function's own refusal, no write through null.
    EXPECT_TRUE(FAILED(T().create(nullptr, nullptr, nullptr)));
}

TEST(InterceptionXp, RemovalPutsTheOriginalBytesBack) {
    sound::RemoveInterception();
    EXPECT_EQ(Head(T().wave), g_before.wave);
    EXPECT_EQ(Head(T().midi), g_before.midi);
    EXPECT_EQ(Head(T().create), g_before.create);
    EXPECT_EQ(reinterpret_cast<void*>(sound::g_waveOutWrite), reinterpret_cast<void*>(T().wave));
    EXPECT_EQ(reinterpret_cast<void*>(sound::g_midiStreamOut), reinterpret_cast<void*>(T().midi));
    EXPECT_EQ(reinterpret_cast<void*>(sound::g_directSoundCreate), reinterpret_cast<void*>(T().create));
    // Muted, but nothing zeroes any more; the real function answers as before.
    SetSoundMute(1);
    std::vector<char> block = Pattern();
    EXPECT_EQ(WriteBlock(T().wave, block), g_before.waveBadHandle);
    EXPECT_EQ(block, Pattern());
}
