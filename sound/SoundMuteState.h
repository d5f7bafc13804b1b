#pragma once
// The process-wide state behind SetSoundMute, visible to the tests and the benchmark.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>

#include <atomic>

#include "sound/TableSlotPatch.h"

namespace vorn::sound {

using WaveOutWriteFn = MMRESULT(WINAPI*)(HWAVEOUT, WAVEHDR*, UINT);
using MidiStreamOutFn = MMRESULT(WINAPI*)(HMIDISTRM, MIDIHDR*, UINT);
using DirectSoundCreateFn = HRESULT(WINAPI*)(const GUID*, IDirectSound**, IUnknown*);
using CreateSoundBufferFn = HRESULT(STDMETHODCALLTYPE*)(IDirectSound*, const DSBUFFERDESC*, IDirectSoundBuffer**,
                                                        IUnknown*);
using BufferUnlockFn = HRESULT(STDMETHODCALLTYPE*)(IDirectSoundBuffer*, void*, DWORD, void*, DWORD);

// Nonzero: the replacements zero what passes. Read on audio threads without a lock.
extern std::atomic<int> g_muteFlag;
extern std::atomic<bool> g_interceptionInstalled;

// Call-through entries: the imported functions until the interception is first installed
// (the library's own functions from then on), the engine's trampolines while it is.
extern WaveOutWriteFn g_waveOutWrite;
extern MidiStreamOutFn g_midiStreamOut;
extern DirectSoundCreateFn g_directSoundCreate;

// IDirectSound::CreateSoundBuffer is slot 3 (after QueryInterface, AddRef, Release);
// IDirectSoundBuffer::Unlock is slot 19.
inline constexpr int kCreateSoundBufferSlot = 3;
inline constexpr int kBufferUnlockSlot = 19;
extern TableSlotPatch g_createSoundBufferPatch;
extern TableSlotPatch g_bufferUnlockPatch;

bool IsVersion6OrLater();
void InstallInterception();
void RemoveInterception();

}  // namespace vorn::sound
