#pragma once
// Silences or restores the sound of the calling process. On Windows 6 and later the
// waveform mixer's mute controls do it (there they act on this process alone); on earlier
// systems the process's audio output functions are intercepted and, while muted, every
// block the process submits is overwritten with zeros just before it is handed on.
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>

namespace vorn {

// Nonzero silences, 0 restores. 1 on success; 0 when the mixer path failed. On systems
// before version 6 the first call installs the interception (removed again at exit) and
// every call returns 1.
int SetSoundMute(int state);

// A game window's sound-state message: applies the request unless it repeats the state
// applied last in this process (the first request is always applied).
void OnSoundStateMessage(int requested);

// One mute control (of the line of the given component type) of mixer device 0.
int SetMixerLineMute(DWORD componentType, int state);

// The replacements, with the exact signatures of the functions they stand for.
MMRESULT WINAPI MuteWaveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT headerSize);
MMRESULT WINAPI MuteMidiStreamOut(HMIDISTRM stream, MIDIHDR* header, UINT headerSize);
HRESULT WINAPI MuteDirectSoundCreate(const GUID* device, IDirectSound** out, IUnknown* outer);
HRESULT STDMETHODCALLTYPE MuteCreateSoundBuffer(IDirectSound* self, const DSBUFFERDESC* desc,
                                                IDirectSoundBuffer** out, IUnknown* outer);
HRESULT STDMETHODCALLTYPE MuteBufferUnlock(IDirectSoundBuffer* self, void* part1, DWORD bytes1, void* part2,
                                           DWORD bytes2);

}  // namespace vorn
