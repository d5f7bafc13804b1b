#include "common/StartGate.h"

namespace vorn {

bool StartGateAllows(std::uint64_t nowMs, std::uint64_t lastMs, std::uint64_t periodMs) {
    if (lastMs == 0) return true;
    return nowMs >= lastMs && nowMs - lastMs >= periodMs;
}

}  // namespace vorn
