#pragma once
#include <cstdint>

namespace velmor {

extern const uint32_t kBlowfishInitP[18];
extern const uint32_t kBlowfishInitS[4][256];

} // namespace velmor
