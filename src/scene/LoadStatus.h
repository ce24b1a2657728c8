#pragma once
// How a load ended: a payload's load, and a unit's load of its data. The
// numbers are the job results the payload loader posts, kept where they leave
// the code; a cancelled surface build is a unit's own and never a job result.
#include <cstdint>

namespace velmor {

enum LoadStatus : int32_t {
    kLoaded = 0,
    kLoadReadFailure = -1,
    kLoadMemoryShortage = -2,
    kLoadCancelled = -3,
};

} // namespace velmor
