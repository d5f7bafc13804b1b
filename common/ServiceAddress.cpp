#include "common/ServiceAddress.h"

#include "common/BuildSettings.h"

#include <windows.h>

namespace vorn {

namespace {

#ifdef VORN_TEST_HOOKS
// The compiled service host with the port the environment asks for, or nothing when it asks
// for none or for something that is no port.
std::wstring HostForTest() {
    wchar_t text[8] = {};
    const DWORD n = GetEnvironmentVariableW(L"VORN_TEST_SERVICE_PORT", text, 8);
    if (n == 0 || n > 5) return {};
    unsigned port = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return {};
        port = port * 10 + (text[i] - L'0');
    }
    if (port == 0 || port > 65535) return {};
    std::wstring host = build::kServiceHost;
    host = host.substr(0, host.rfind(L':')) + L':' + std::to_wstring(port);
    return host;
}
#endif

// `value` with the compiled service host replaced by the one asked for in a test.
std::wstring Moved(const wchar_t* value) {
    std::wstring text = value;
#ifdef VORN_TEST_HOOKS
    static const std::wstring testHost = HostForTest();
    if (testHost.empty()) return text;
    const std::wstring compiled = build::kServiceHost;
    for (size_t at = text.find(compiled); at != std::wstring::npos; at = text.find(compiled, at + testHost.size()))
        text.replace(at, compiled.size(), testHost);
#endif
    return text;
}

}  // namespace

std::wstring ServiceHost() { return Moved(build::kServiceHost); }
std::wstring LoginHost() { return Moved(build::kLoginHost); }
std::wstring PartnerHome() { return Moved(build::kPartnerHome); }

}  // namespace vorn
