#include "sound/SoundMute.h"

#include <cstdlib>
#include <cstring>

#include "intercept/Intercept.h"
#include "sound/MuteRequestFilter.h"
#include "sound/SoundMuteState.h"

namespace vorn {

namespace sound {

std::atomic<int> g_muteFlag{1};
std::atomic<bool> g_interceptionInstalled{false};
WaveOutWriteFn g_waveOutWrite = waveOutWrite;
MidiStreamOutFn g_midiStreamOut = midiStreamOut;
DirectSoundCreateFn g_directSoundCreate = DirectSoundCreate;
TableSlotPatch g_createSoundBufferPatch;
TableSlotPatch g_bufferUnlockPatch;

namespace {

// The engine rewrites the entries while audio threads may be reading them.
template <class Fn>
Fn Load(Fn& entry) {
    return __atomic_load_n(&entry, __ATOMIC_ACQUIRE);
}

void** EntryOf(auto& entry) { return reinterpret_cast<void**>(&entry); }

bool Muted() { return g_muteFlag.load(std::memory_order_relaxed) != 0; }

void ZeroBlock(void* data, DWORD bytes) {
    if (data && bytes) std::memset(data, 0, bytes);
}

bool UnprotectSlot(void** slot, std::uint32_t* previous) {
    DWORD old = 0;
    if (!VirtualProtectEx(GetCurrentProcess(), slot, sizeof(void*), PAGE_EXECUTE_READWRITE, &old)) return false;
    *previous = old;
    return true;
}

// Interface tables belong to the system library; leaving them writable and executable
// would outlive the one write we need.
void ReprotectSlot(void** slot, std::uint32_t previous) {
    DWORD ignored = 0;
    VirtualProtectEx(GetCurrentProcess(), slot, sizeof(void*), previous, &ignored);
}

void PatchTableOf(void* object, int index, TableSlotPatch& patch, void* replacement) {
    void** table = *static_cast<void***>(object);
    PatchSlotOnce(patch, &table[index], replacement, UnprotectSlot, ReprotectSlot);
}

void RemoveAtExit() { RemoveInterception(); }

// The executable's own imports of these functions are stubs that load their library on the
// first call; the diversion must rewrite the functions in the libraries themselves, which
// every module calls. Looked up once, before the first installation: from then on the
// entries hold the trampolines or, after a removal, the functions again.
template <class Fn>
void UseLibraryFunction(Fn& entry, const wchar_t* library, const char* name) {
    HMODULE module = GetModuleHandleW(library);
    // Only the system's copy: never a file of that name beside the executable.
    if (module == nullptr) module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    FARPROC function = module != nullptr ? GetProcAddress(module, name) : nullptr;
    if (function != nullptr) entry = reinterpret_cast<Fn>(reinterpret_cast<void*>(function));
}

void UseLibraryFunctions() {
    UseLibraryFunction(g_waveOutWrite, L"winmm.dll", "waveOutWrite");
    UseLibraryFunction(g_midiStreamOut, L"winmm.dll", "midiStreamOut");
    UseLibraryFunction(g_directSoundCreate, L"dsound.dll", "DirectSoundCreate");
}

}  // namespace

bool IsVersion6OrLater() {
    OSVERSIONINFOW info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;  // 276
    // GetVersionExW is deprecated for feature tests; here the version itself is the point.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&info);
#pragma GCC diagnostic pop
    return info.dwMajorVersion > 5;
}

void InstallInterception() {
    static const bool looked_up = (UseLibraryFunctions(), true);
    (void)looked_up;
    InterceptRestoreImports();
    InterceptBegin();
    InterceptEnlistThread(GetCurrentThread());
    // A target the engine refuses stays out; the others are still diverted.
    InterceptAttach(EntryOf(g_waveOutWrite), reinterpret_cast<void*>(MuteWaveOutWrite));
    InterceptAttach(EntryOf(g_midiStreamOut), reinterpret_cast<void*>(MuteMidiStreamOut));
    InterceptAttach(EntryOf(g_directSoundCreate), reinterpret_cast<void*>(MuteDirectSoundCreate));
    InterceptCommit();
}

void RemoveInterception() {
    InterceptBegin();
    InterceptEnlistThread(GetCurrentThread());
    InterceptDetach(EntryOf(g_waveOutWrite), reinterpret_cast<void*>(MuteWaveOutWrite));
    InterceptDetach(EntryOf(g_midiStreamOut), reinterpret_cast<void*>(MuteMidiStreamOut));
    InterceptDetach(EntryOf(g_directSoundCreate), reinterpret_cast<void*>(MuteDirectSoundCreate));
    InterceptCommit();
}

}  // namespace sound

using namespace sound;

int SetMixerLineMute(DWORD componentType, int state) {
    HMIXER mixer = nullptr;
    if (mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_HMIXER) != MMSYSERR_NOERROR) return 0;
    auto* object = reinterpret_cast<HMIXEROBJ>(mixer);
    int result = 0;
    MIXERLINEW line;
    std::memset(&line, 0, sizeof line);
    line.cbStruct = sizeof line;  // 280
    line.dwComponentType = componentType;
    MIXERCONTROLW control;
    std::memset(&control, 0, sizeof control);
    MIXERLINECONTROLSW controls;
    std::memset(&controls, 0, sizeof controls);
    BOOL value = FALSE;
    MIXERCONTROLDETAILS details;
    std::memset(&details, 0, sizeof details);
    if (mixerGetLineInfoW(object, &line, MIXER_GETLINEINFOF_COMPONENTTYPE | MIXER_OBJECTF_HMIXER) ==
        MMSYSERR_NOERROR) {
        controls.cbStruct = sizeof controls;  // 24
        controls.dwLineID = line.dwLineID;
        controls.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
        controls.cControls = 1;
        controls.cbmxctrl = sizeof control;  // 228
        controls.pamxctrl = &control;
        if (mixerGetLineControlsW(object, &controls, MIXER_GETLINECONTROLSF_ONEBYTYPE | MIXER_OBJECTF_HMIXER) ==
            MMSYSERR_NOERROR) {
            details.cbStruct = sizeof details;  // 24
            details.dwControlID = control.dwControlID;
            details.cChannels = 1;
            details.cMultipleItems = control.cMultipleItems;
            details.cbDetails = sizeof value;
            details.paDetails = &value;
            if (mixerGetControlDetailsW(object, &details, MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER) ==
                MMSYSERR_NOERROR) {
                value = state;
                result = mixerSetControlDetails(object, &details, MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER) ==
                                 MMSYSERR_NOERROR
                             ? 1
                             : 0;
            }
        }
    }
    mixerClose(mixer);
    return result;
}

int SetSoundMute(int state) {
    if (IsVersion6OrLater()) {
        SetMixerLineMute(MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, state);
        return SetMixerLineMute(MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, state);
    }
    if (!g_interceptionInstalled.exchange(true)) {
        InstallInterception();
        std::atexit(RemoveAtExit);
    }
    g_muteFlag.store(state, std::memory_order_relaxed);
    return 1;
}

void OnSoundStateMessage(int requested) {
    if (ProcessMuteRequestFilter().ShouldApply(requested)) SetSoundMute(requested);
}

MMRESULT WINAPI MuteWaveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT headerSize) {
    if (header && Muted()) ZeroBlock(header->lpData, header->dwBufferLength);
    return Load(g_waveOutWrite)(device, header, headerSize);
}

MMRESULT WINAPI MuteMidiStreamOut(HMIDISTRM stream, MIDIHDR* header, UINT headerSize) {
    if (header && Muted()) ZeroBlock(header->lpData, header->dwBufferLength);
    return Load(g_midiStreamOut)(stream, header, headerSize);
}

HRESULT WINAPI MuteDirectSoundCreate(const GUID* device, IDirectSound** out, IUnknown* outer) {
    // Without somewhere to put the object the real function reports the error itself.
    if (!out) return Load(g_directSoundCreate)(device, out, outer);
    IDirectSound* created = nullptr;
    const HRESULT hr = Load(g_directSoundCreate)(device, &created, outer);
    *out = created;
    if (SUCCEEDED(hr) && created)
        PatchTableOf(created, kCreateSoundBufferSlot, g_createSoundBufferPatch,
                     reinterpret_cast<void*>(MuteCreateSoundBuffer));
    return hr;
}

HRESULT STDMETHODCALLTYPE MuteCreateSoundBuffer(IDirectSound* self, const DSBUFFERDESC* desc,
                                                IDirectSoundBuffer** out, IUnknown* outer) {
    const auto real = reinterpret_cast<CreateSoundBufferFn>(g_createSoundBufferPatch.Saved());
    if (!real) return E_FAIL;
    if (!out) return real(self, desc, out, outer);
    IDirectSoundBuffer* created = nullptr;
    const HRESULT hr = real(self, desc, &created, outer);
    *out = created;
    if (SUCCEEDED(hr) && created)
        PatchTableOf(created, kBufferUnlockSlot, g_bufferUnlockPatch, reinterpret_cast<void*>(MuteBufferUnlock));
    return hr;
}

HRESULT STDMETHODCALLTYPE MuteBufferUnlock(IDirectSoundBuffer* self, void* part1, DWORD bytes1, void* part2,
                                           DWORD bytes2) {
    const auto real = reinterpret_cast<BufferUnlockFn>(g_bufferUnlockPatch.Saved());
    if (!real) return E_FAIL;
    if (Muted()) {
        ZeroBlock(part1, bytes1);
        ZeroBlock(part2, bytes2);
    }
    return real(self, part1, bytes1, part2, bytes2);
}

}  // namespace vorn
