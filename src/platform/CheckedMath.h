#pragma once
// Size arithmetic on untrusted counts: every product and sum is checked.
#include <cstdint>

namespace velmor {

inline bool CheckedMul(uint64_t a, uint64_t b, uint64_t& out) { return !__builtin_mul_overflow(a, b, &out); }
inline bool CheckedAdd(uint64_t a, uint64_t b, uint64_t& out) { return !__builtin_add_overflow(a, b, &out); }
inline uint64_t SaturatingAdd(uint64_t a, uint64_t b)
{
    uint64_t r;
    return __builtin_add_overflow(a, b, &r) ? UINT64_MAX : r;
}
// Rounds up to a multiple of `step` (a power of two); false on overflow.
inline bool CheckedRoundUp(uint64_t value, uint64_t step, uint64_t& out)
{
    if (!CheckedAdd(value, step - 1, out)) return false;
    out &= ~(step - 1);
    return true;
}

} // namespace velmor
