#include "platform/MemoryStream.h"

#include <algorithm>
#include <cstring>

namespace velmor {

uint64_t MemoryStream::Read(void* dst, uint64_t bytes)
{
    const uint64_t n = std::min(bytes, size_ - pos_);
    if (n != 0) std::memcpy(dst, data_ + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

bool MemoryStream::Seek(int64_t offset, Origin origin)
{
    const uint64_t base = origin == Origin::Begin ? 0 : origin == Origin::Current ? pos_ : size_;
    uint64_t target;
    if (offset >= 0) {
        if (__builtin_add_overflow(base, static_cast<uint64_t>(offset), &target)) return false;
    } else {
        const uint64_t back = static_cast<uint64_t>(-(offset + 1)) + 1;
        if (back > base) return false;
        target = base - back;
    }
    if (target > size_) return false;
    pos_ = target;
    return true;
}

} // namespace velmor
