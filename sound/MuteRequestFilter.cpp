#include "sound/MuteRequestFilter.h"

namespace vorn {

bool MuteRequestFilter::ShouldApply(int requested) {
    if (!seen_) {
        seen_ = true;
        applied_ = !requested;
    }
    if (requested == applied_) return false;
    applied_ = requested;
    return true;
}

MuteRequestFilter& ProcessMuteRequestFilter() {
    static MuteRequestFilter filter;
    return filter;
}

}  // namespace vorn
