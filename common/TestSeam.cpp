#include "common/TestSeam.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace vorn {

#ifdef VORN_TEST_HOOKS

namespace {

// The action the environment asks for at this step, or an empty text.
std::string ActionFor(const char* step) {
    char steps[1024];
    const DWORD n = GetEnvironmentVariableA("VORN_TEST_STEPS", steps, sizeof steps);
    if (n == 0 || n >= sizeof steps) return {};
    const std::string all(steps, n);
    const std::string name(step);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(';', start);
        if (end == std::string::npos) end = all.size();
        const std::string pair = all.substr(start, end - start);
        const size_t equals = pair.find('=');
        if (equals != std::string::npos && pair.substr(0, equals) == name) return pair.substr(equals + 1);
        start = end + 1;
    }
    return {};
}

}  // namespace

bool StepFailsForTest(const char* step) {
    if (step == nullptr) return false;
    const std::string action = ActionFor(step);
    if (action == "exit") TerminateProcess(GetCurrentProcess(), 9);  // as a kill: no clean-up
    if (action == "slow") Sleep(500);
    if (action == "fail") {
        SetLastError(ERROR_ACCESS_DENIED);
        return true;
    }
    return false;
}

int TestCountOr(const char* step, int normal) {
    if (step == nullptr) return normal;
    const std::string action = ActionFor(step);
    if (action.empty() || action.size() > 6 || action.find_first_not_of("0123456789") != std::string::npos) {
        return normal;
    }
    return std::stoi(action);
}

#else

bool StepFailsForTest(const char*) { return false; }
int TestCountOr(const char*, int normal) { return normal; }

#endif

}  // namespace vorn
