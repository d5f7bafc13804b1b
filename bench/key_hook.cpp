// The launcher's keyboard hook sees every key of the desktop. Prints the cost per key of
// the launcher's own hook procedure for a key that is no hot key (the decision and the
// hand-on to the next hook), and for the key of a hot key pressed without its modifiers
// (the modifier state is then asked for), beside a bare hand-on measured in the same run.
// Given an address that never answers (the stand-in service's stall fault), also the same
// per-key cost while another thread of this process waits on HttpGet for that address, as
// the notice and the update check would when the service hangs. Figures only.
//   vorn_bench_key_hook [URL]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "launcher/KeyHook.h"
#include "hotkeys/HotKeyFormat.h"
#include "online/HttpClient.h"

namespace {

constexpr int kKeys = 4000;  // per round
constexpr int kRounds = 5;   // the figures are interleaved and the quickest round is kept:
                             // the machine's other work slows single rounds a lot

double SecondsSince(LARGE_INTEGER start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <typename Body>
double NanosecondsPerKey(Body body) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < kKeys; ++i) body(i);
    return SecondsSince(start) * 1e9 / kKeys;
}

// A request on a thread of its own that stays open until Stop cancels it.
class HeldRequest {
public:
    explicit HeldRequest(const wchar_t* url) {
        request_.url = url;
        request_.text = text_;
        request_.requireServiceUrl = true;  // as the notice and the update check ask
        request_.handles = &handles_;
        thread_ = CreateThread(
            nullptr, 0,
            [](void* p) -> DWORD {
                auto* self = static_cast<HeldRequest*>(p);
                vorn::HttpGet(self->request_);  // fails once cancelled; only its being open counts
                return 0;
            },
            this, 0, nullptr);
    }
    HeldRequest(const HeldRequest&) = delete;
    HeldRequest& operator=(const HeldRequest&) = delete;
    ~HeldRequest() { Stop(); }

    // Still waiting for the reply: neither failed nor answered.
    bool Pending() const { return thread_ != nullptr && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT; }

    void Stop() {
        if (thread_ == nullptr) return;
        handles_.CloseAll();
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }

private:
    vorn::HttpHandles handles_;
    vorn::HttpGetRequest request_;
    wchar_t text_[1024] = {};
    HANDLE thread_ = nullptr;
};

// Time for the request to reach the service and start waiting there; on loopback it takes
// a few milliseconds, a round of keys a fraction of a second.
constexpr DWORD kSettleMs = 300;

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* stallUrl = argc > 1 ? argv[1] : nullptr;
    const vorn::HotKeySet keys{{VK_F10, 0}, {VK_TAB, vorn::kModCtrl}, {'Q', vorn::kModCtrl}};
    // The hook posts what it decides to this window; two stand-in tabs keep the keys alive.
    HWND target = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const std::vector<HWND> tabs{target, target};
    vorn::launcher::SetKeyHookTarget(target, &tabs);
    vorn::launcher::SetKeyHookKeys(keys);

    KBDLLHOOKSTRUCT key{};
    volatile LRESULT sink = 0;
    volatile int acted = 0;
    double bare = 1e300, hook = 1e300, hotKeysKey = 1e300, decision = 1e300;
    double stalledBare = 1e300, stalledHook = 1e300;
    bool heldOpen = false;
    const auto hookOnLetters = [&](int i) {
        key.vkCode = 'A' + (i & 15);  // letters up to P: never the boss or sound key's own key
        sink = vorn::launcher::KeyHookProc(HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&key));
    };
    const auto bareOnLetters = [&](int i) {
        key.vkCode = 'A' + (i & 15);
        sink = CallNextHookEx(nullptr, HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&key));
    };
    for (int round = 0; round < kRounds; ++round) {
        bare = std::min(bare, NanosecondsPerKey(bareOnLetters));
        hook = std::min(hook, NanosecondsPerKey(hookOnLetters));
        hotKeysKey = std::min(hotKeysKey, NanosecondsPerKey([&](int) {
            key.vkCode = 'Q';  // the sound key's key without Ctrl: the modifiers are asked, nothing acts
            sink = vorn::launcher::KeyHookProc(HC_ACTION, WM_KEYDOWN, reinterpret_cast<LPARAM>(&key));
        }));
        decision = std::min(decision, NanosecondsPerKey([&](int i) {
            const int vk = 'A' + (i & 15);
            const vorn::KeyPressContext hooked{true, 2, false};
            if (vorn::MayBeHotKey(keys, WM_KEYDOWN, vk, hooked) &&
                vorn::HotKeyRoleOf(keys, WM_KEYDOWN, vk, 0, 0, hooked) != vorn::HotKeyRole::kNone) {
                acted = acted + 1;
            }
        }));
    }
    if (stallUrl != nullptr) {
        // After the quiet rounds, so that those run in a process that never made a request:
        // a cancelled transfer leaves the library's blocked call behind until the service
        // lets go, and that would weigh on them. The same hook and hand-on, in the same
        // order, with one request held open from before the first key to after the last.
        HeldRequest held(stallUrl);
        Sleep(kSettleMs);
        if (held.Pending()) {
            // The first thousand or so keys after a pause cost more; not part of the figure.
            for (int i = 0; i < kKeys / 4; ++i) bareOnLetters(i);
            for (int round = 0; round < kRounds; ++round) {
                stalledBare = std::min(stalledBare, NanosecondsPerKey(bareOnLetters));
                stalledHook = std::min(stalledHook, NanosecondsPerKey(hookOnLetters));
            }
            heldOpen = held.Pending();
        }
        held.Stop();
    }
    MSG msg;
    while (PeekMessageW(&msg, target, 0, 0, PM_REMOVE)) acted = acted + 1;  // what the hook posted
    std::printf("keyboard hook, per key-down (quickest of %d rounds of %d keys, under this Wine):\n", kRounds, kKeys);
    std::printf("  hook procedure, a key that is no hot key's key:      %8.1f ns  (%.2fx the reference)\n", hook,
                hook / bare);
    std::printf("  reference, CallNextHookEx alone:                     %8.1f ns\n", bare);
    std::printf("  hook procedure, a hot key's key (3 GetKeyState):     %8.1f ns\n", hotKeysKey);
    std::printf("  the decision alone:                                  %8.1f ns\n", decision);
    if (heldOpen) {
        std::printf("  while another thread's request stalls (quickest of %d more rounds):\n", kRounds);
        std::printf("    hook procedure, a key that is no hot key's key:    %8.1f ns  (%.2fx the quiet figure, "
                    "%.2fx this reference)\n",
                    stalledHook, stalledHook / hook, stalledHook / stalledBare);
        std::printf("    reference, CallNextHookEx alone:                   %8.1f ns\n", stalledBare);
    } else if (stallUrl != nullptr) {
        std::printf("  while a request stalls: not measured, the request did not stay open\n");
    }
    std::printf("  acted on %d keys (expected 0)\n", static_cast<int>(acted));
    // The summary line bench/table.py gathers (tab-separated).
    std::printf("FIGURE\tkeyboard hook per key-down, no hot key\t%.1f us\t%.1f us (hand-on only)\t%.2f\t<= 1.2x\n",
                hook / 1000, bare / 1000, hook / bare);
    if (heldOpen) {
        std::printf("FIGURE\tkeyboard hook per key-down while a request stalls\t%.1f us\t%.1f us (same hook, quiet)\t%.2f"
                    "\tabout 1x (unchanged)\n",
                    stalledHook / 1000, hook / 1000, stalledHook / hook);
    }
    std::fflush(stdout);
    DestroyWindow(target);
    return 0;
}
