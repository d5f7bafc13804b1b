// Calls the audio functions through this library's own import table.
#include <windows.h>
#include <mmsystem.h>

extern "C" __declspec(dllexport) MMRESULT CallWaveOutWrite(HWAVEOUT device, WAVEHDR* header, UINT size) {
    return waveOutWrite(device, header, size);
}

extern "C" __declspec(dllexport) MMRESULT CallMidiStreamOut(HMIDISTRM stream, MIDIHDR* header, UINT size) {
    return midiStreamOut(stream, header, size);
}
