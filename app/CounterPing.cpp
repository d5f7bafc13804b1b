#include "app/CounterPing.h"

#include <string>

#include "common/BuildSettings.h"
#include "common/FileReplace.h"
#include "common/Locations.h"
#include "common/Settings.h"
#include "app/WayfrontApp.h"
#include "common/ModulePath.h"
#include "common/TestSeam.h"
#include "common/TextNumbers.h"
#include "online/HttpClient.h"
#include "online/HttpRules.h"
#include "common/ServiceAddress.h"

namespace vorn {

namespace {

constexpr DWORD kCounterLockWaitMs = 10000;

struct CounterInfo {
    const wchar_t* key;
    const char16_t* pathAndQuery;
};

const CounterInfo* InfoFor(int kind) {
    static const CounterInfo kCounters[] = {
        {settings::kCounterPartner, u"/active.htm?tag=webkovo&ver=3.0.0.1"},
        {settings::kCounterInstall, u"/install.htm?tag=zelqa7&ver=3.0.0.1"},
        {settings::kCounterUninstall, u"/uninstall.htm?tag=zelqa7&ver=3.0.0.1"},
        {settings::kCounterGame, u"/active.htm?tag=zelqa7&ver=3.0.0.1"},
    };
    return kind >= 0 && kind < 4 ? &kCounters[kind] : nullptr;
}

struct PingParameters {
    const wchar_t* address;
    CWayfront3App* app;
};

DWORD WINAPI PingThread(void* parameter) {
    auto* params = static_cast<PingParameters*>(parameter);
    CWayfront3App* app = params->app;
    wchar_t address[512];
    lstrcpynW(address, params->address, 512);
    // From here on the caller's block and address may go away.
    SetEvent(app->m_hPingStarted.get());
    PingUrl(address);
    SetEvent(app->m_hPingDone.get());
    return 0;
}

}  // namespace

unsigned IncrementCounter(int kind) {
    const CounterInfo* info = InfoFor(kind);
    const std::wstring ini = CounterIniPath();
    if (info == nullptr || ini.empty()) return 0;
    // Processes that start together (an install and the copy it starts, several
    // launchers) would each read the same value and store the same next one. The wait is
    // bounded: a count made without the lock beats a run that never starts.
    MachineLock counting(kCounterLockName, kCounterLockWaitMs);
    // A new Statistic.ini is made Unicode so that later text values survive.
    EnsureUnicodeIniFile(ini);
    wchar_t stored[settings::kCounterTextChars] = {};
    GetPrivateProfileStringW(settings::kIniSection, info->key, settings::kCounterDefault, stored,
                             settings::kCounterTextChars, ini.c_str());
    const std::uint32_t next = NextCounterValue(ToU16(stored));
    (void)StepFailsForTest("counter.write");  // the window between the read and the write
    WritePrivateProfileStringW(settings::kIniSection, info->key, ToWide(FormatUnsigned(next)).c_str(), ini.c_str());
    return next;
}

BOOL PingCounterUrl(const wchar_t* address) {
    CWayfront3App* app = GetWayfrontApp();
    if (app == nullptr || !app->m_hPingStarted || address == nullptr) return FALSE;
    PingParameters params{address, app};
    HANDLE thread = CreateThread(nullptr, 0, &PingThread, &params, 0, nullptr);
    if (thread == nullptr) {
        // Nobody will send it: let the runs that wait for the ping end instead of hanging.
        SetEvent(app->m_hPingDone.get());
        return FALSE;
    }
    app->m_hPingThread.Attach(thread);
    WaitForSingleObject(app->m_hPingStarted.get(), INFINITE);
    ResetEvent(app->m_hPingStarted.get());
    return TRUE;
}

void CountRunAndPing(int kind) {
    const CounterInfo* info = InfoFor(kind);
    if (info == nullptr) return;
    const unsigned count = IncrementCounter(kind);
    const std::wstring address =
        ToWide(CounterPingAddress(ToU16(ServiceHost()), info->pathAndQuery, count));
    PingCounterUrl(address.c_str());
}

}  // namespace vorn
