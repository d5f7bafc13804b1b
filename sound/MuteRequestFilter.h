#pragma once
// The launcher posts its sound state to every game window several times a second; only a
// change is applied. The first request of a process is always applied, whatever it asks.

namespace vorn {

class MuteRequestFilter {
public:
    // True when `requested` must be applied now (and is from then on the applied state).
    bool ShouldApply(int requested);

private:
    bool seen_ = false;
    int applied_ = 0;
};

// The one filter of this process, shared by all its game windows (all on the UI thread).
MuteRequestFilter& ProcessMuteRequestFilter();

}  // namespace vorn
