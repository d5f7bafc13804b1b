// Usage: tools/wine/wine-exec.sh build/.../vorn_prologue_dump.exe
#include <windows.h>

#include <cstdio>

int main() {
    const char* functions[][2] = {
        {"winmm.dll", "waveOutWrite"}, {"winmm.dll", "midiStreamOut"},  {"dsound.dll", "DirectSoundCreate"},
        {"winmm.dll", "waveOutOpen"},  {"winmm.dll", "midiOutShortMsg"}, {"user32.dll", "MessageBoxW"},
        {"kernel32.dll", "GetTickCount"}, {"ntdll.dll", "NtClose"},      {"kernel32.dll", "Sleep"},
    };
    for (const auto& f : functions) {
        const auto* code = reinterpret_cast<const unsigned char*>(GetProcAddress(LoadLibraryA(f[0]), f[1]));
        std::printf("%s!%s:", f[0], f[1]);
        for (int i = 0; code && i < 32; ++i) std::printf(" %02x", code[i]);
        std::printf("\n");
    }
    return 0;
}
