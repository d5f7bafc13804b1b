// The DirectSound path with a stand-in device and buffer whose interface tables are their
// own (this prefix has no sound device): which slots are patched, when, and how often.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "sound/SoundMute.h"
#include "sound/SoundMuteState.h"

using namespace vorn;

namespace {

// Interface tables in read-only memory, as a system library's are.
struct StandInTables {
    void** device;
    void** buffer;
};
struct StandInObject {
    void** table;
};

std::atomic<int> g_bufferCreations{0};
std::vector<char> g_part1Seen, g_part2Seen;
void* g_part2Pointer = reinterpret_cast<void*>(1);
std::atomic<int> g_gate{0};  // both racing creators wait here so they return together
int g_gateWidth = 0;

StandInObject g_buffer;
StandInObject g_device;

HRESULT STDMETHODCALLTYPE StandInCreateBuffer(IDirectSound*, const DSBUFFERDESC*, IDirectSoundBuffer** out, IUnknown*) {
    ++g_bufferCreations;
    if (g_gateWidth > 1) {
        g_gate.fetch_add(1);
        while (g_gate.load() < g_gateWidth) std::this_thread::yield();
    }
    *out = reinterpret_cast<IDirectSoundBuffer*>(&g_buffer);
    return DS_OK;
}
HRESULT STDMETHODCALLTYPE StandInUnlock(IDirectSoundBuffer*, void* part1, DWORD bytes1, void* part2, DWORD bytes2) {
    const char* p1 = static_cast<const char*>(part1);
    const char* p2 = static_cast<const char*>(part2);
    g_part1Seen.assign(p1, p1 + bytes1);
    g_part2Pointer = part2;
    g_part2Seen.assign(p2, p2 + (p2 ? bytes2 : 0));
    return 0x55;
}
HRESULT WINAPI StandInCreate(const GUID*, IDirectSound** out, IUnknown*) {
    *out = reinterpret_cast<IDirectSound*>(&g_device);
    return DS_OK;
}

StandInTables MakeTables() {
    auto* page = static_cast<void**>(VirtualAlloc(nullptr, 0x1000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    void** device = page;
    void** buffer = page + 8;
    device[sound::kCreateSoundBufferSlot] = reinterpret_cast<void*>(StandInCreateBuffer);
    buffer[sound::kBufferUnlockSlot] = reinterpret_cast<void*>(StandInUnlock);
    DWORD old;
    VirtualProtect(page, 0x1000, PAGE_READONLY, &old);
    return {device, buffer};
}

DWORD ProtectionOf(void* p) {
    MEMORY_BASIC_INFORMATION mbi{};
    VirtualQuery(p, &mbi, sizeof mbi);
    return mbi.Protect;
}

using CreateBufferFn = HRESULT(STDMETHODCALLTYPE*)(IDirectSound*, const DSBUFFERDESC*, IDirectSoundBuffer**, IUnknown*);
using UnlockFn = HRESULT(STDMETHODCALLTYPE*)(IDirectSoundBuffer*, void*, DWORD, void*, DWORD);

// Calls through the object's table, as a player of the object would.
HRESULT CreateBufferOn(StandInObject* device, IDirectSoundBuffer** out) {
    return reinterpret_cast<CreateBufferFn>(device->table[sound::kCreateSoundBufferSlot])(
        reinterpret_cast<IDirectSound*>(device), nullptr, out, nullptr);
}
HRESULT UnlockOn(StandInObject* buffer, void* p1, DWORD b1, void* p2, DWORD b2) {
    return reinterpret_cast<UnlockFn>(buffer->table[sound::kBufferUnlockSlot])(
        reinterpret_cast<IDirectSoundBuffer*>(buffer), p1, b1, p2, b2);
}

void ResetPatch(TableSlotPatch& patch) {
    patch.slot = nullptr;
    patch.saved = nullptr;
}

class DirectSoundSlots : public testing::Test {
protected:
    void SetUp() override {
        create_ = sound::g_directSoundCreate;
        flag_ = sound::g_muteFlag.load();
        ResetPatch(sound::g_createSoundBufferPatch);
        ResetPatch(sound::g_bufferUnlockPatch);
        tables_ = MakeTables();
        g_device.table = tables_.device;
        g_buffer.table = tables_.buffer;
        g_gateWidth = 0;
        sound::g_directSoundCreate = StandInCreate;
    }
    void TearDown() override {
        sound::g_directSoundCreate = create_;
        sound::g_muteFlag = flag_;
        ResetPatch(sound::g_createSoundBufferPatch);
        ResetPatch(sound::g_bufferUnlockPatch);
    }
    StandInTables tables_{};
    sound::DirectSoundCreateFn create_;
    int flag_;
};

}  // namespace

TEST_F(DirectSoundSlots, FirstDeviceAndFirstBufferPatchTheirTablesOnce) {
    IDirectSound* device = nullptr;
    ASSERT_EQ(MuteDirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    EXPECT_EQ(device, reinterpret_cast<IDirectSound*>(&g_device));
    void** slot3 = &tables_.device[sound::kCreateSoundBufferSlot];
    EXPECT_EQ(sound::g_createSoundBufferPatch.slot.load(), slot3);
    EXPECT_EQ(*slot3, reinterpret_cast<void*>(MuteCreateSoundBuffer));
    EXPECT_EQ(sound::g_createSoundBufferPatch.Saved(), reinterpret_cast<void*>(StandInCreateBuffer));
    EXPECT_EQ(ProtectionOf(slot3), static_cast<DWORD>(PAGE_READONLY));  // protection put back

    // A second device: the recorded slot stays, nothing is saved again.
    IDirectSound* second = nullptr;
    ASSERT_EQ(MuteDirectSoundCreate(nullptr, &second, nullptr), DS_OK);
    EXPECT_EQ(sound::g_createSoundBufferPatch.slot.load(), slot3);
    EXPECT_EQ(sound::g_createSoundBufferPatch.Saved(), reinterpret_cast<void*>(StandInCreateBuffer));

    // Creating a buffer through the device's table reaches the stand-in and patches slot 19.
    g_bufferCreations = 0;
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(CreateBufferOn(&g_device, &buffer), DS_OK);
    EXPECT_EQ(g_bufferCreations.load(), 1);
    EXPECT_EQ(buffer, reinterpret_cast<IDirectSoundBuffer*>(&g_buffer));
    void** slot19 = &tables_.buffer[sound::kBufferUnlockSlot];
    EXPECT_EQ(sound::g_bufferUnlockPatch.slot.load(), slot19);
    EXPECT_EQ(*slot19, reinterpret_cast<void*>(MuteBufferUnlock));
    EXPECT_EQ(sound::g_bufferUnlockPatch.Saved(), reinterpret_cast<void*>(StandInUnlock));
    EXPECT_EQ(ProtectionOf(slot19), static_cast<DWORD>(PAGE_READONLY));
    ASSERT_EQ(CreateBufferOn(&g_device, &buffer), DS_OK);
    EXPECT_EQ(sound::g_bufferUnlockPatch.Saved(), reinterpret_cast<void*>(StandInUnlock));
}

TEST_F(DirectSoundSlots, UnlockZeroesBothPartsWhileMutedBeforeCallingThrough) {
    IDirectSound* device = nullptr;
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(MuteDirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    ASSERT_EQ(CreateBufferOn(&g_device, &buffer), DS_OK);
    std::vector<char> part1(3000, 'a'), part2(1096, 'b');

    sound::g_muteFlag = 1;
    EXPECT_EQ(UnlockOn(&g_buffer, part1.data(), 3000, part2.data(), 1096), 0x55);
    EXPECT_EQ(g_part1Seen, std::vector<char>(3000, 0));
    EXPECT_EQ(g_part2Seen, std::vector<char>(1096, 0));

    // A ring buffer that did not wrap: the second part is null with length 0.
    part1.assign(3000, 'a');
    EXPECT_EQ(UnlockOn(&g_buffer, part1.data(), 3000, nullptr, 0), 0x55);
    EXPECT_EQ(g_part1Seen, std::vector<char>(3000, 0));
    EXPECT_EQ(g_part2Pointer, nullptr);
    // A second part given with length 0 is not touched either.
    part2.assign(1096, 'b');
    UnlockOn(&g_buffer, part1.data(), 10, part2.data(), 0);
    EXPECT_EQ(part2, std::vector<char>(1096, 'b'));

    sound::g_muteFlag = 0;
    part1.assign(3000, 'a');
    part2.assign(1096, 'b');
    EXPECT_EQ(UnlockOn(&g_buffer, part1.data(), 3000, part2.data(), 1096), 0x55);
    EXPECT_EQ(g_part1Seen, std::vector<char>(3000, 'a'));
    EXPECT_EQ(g_part2Seen, std::vector<char>(1096, 'b'));
}

// Probabilistic by nature: the threads leave the stand-in creator together, and a test-
// then-patch that is not one atomic step lets a late one save the replacement itself.
TEST_F(DirectSoundSlots, ThreadsCreatingTheFirstBufferTogetherPatchOnce) {
    IDirectSound* device = nullptr;
    ASSERT_EQ(MuteDirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    constexpr int kThreads = 4;
    for (int round = 0; round < 150; ++round) {
        // Back to "no buffer created yet".
        ResetPatch(sound::g_bufferUnlockPatch);
        DWORD old;
        VirtualProtect(tables_.buffer, 0x100, PAGE_READWRITE, &old);
        tables_.buffer[sound::kBufferUnlockSlot] = reinterpret_cast<void*>(StandInUnlock);
        VirtualProtect(tables_.buffer, 0x100, old, &old);
        g_gate = 0;
        g_gateWidth = kThreads;
        // Each goes through MuteCreateSoundBuffer, which the device table now holds.
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([] {
                IDirectSoundBuffer* buffer = nullptr;
                CreateBufferOn(&g_device, &buffer);
            });
        }
        for (auto& t : threads) t.join();
        ASSERT_EQ(sound::g_bufferUnlockPatch.Saved(), reinterpret_cast<void*>(StandInUnlock)) << round;
        ASSERT_EQ(tables_.buffer[sound::kBufferUnlockSlot], reinterpret_cast<void*>(MuteBufferUnlock)) << round;
    }
    g_gateWidth = 0;
    // And the patched Unlock still reaches the stand-in, not itself.
    std::vector<char> part(16, 'x');
    sound::g_muteFlag = 1;
    EXPECT_EQ(UnlockOn(&g_buffer, part.data(), 16, nullptr, 0), 0x55);
    EXPECT_EQ(g_part1Seen, std::vector<char>(16, 0));
}
