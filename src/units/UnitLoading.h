#pragma once
// What the loads of data-object units share: their result codes, the
// mapping from a payload acquisition to them, and the unit of the
// video-memory checks.
#include "scene/DataObject.h"

#include <cstdint>

namespace velmor {

inline constexpr int kUnitLoaded = 0;
inline constexpr int kUnitReadError = 1;
inline constexpr int kUnitMemoryError = 2;

// The payload for `unit`: -1 from the load is a read error, any other
// failure a memory shortage.
inline int AcquireUnitData(DataObject& data, CKxDrawUnit* unit)
{
    const int32_t r = data.AcquireData(unit);
    return r == 0 ? kUnitLoaded : r == -1 ? kUnitReadError : kUnitMemoryError;
}

// The video-memory checks count in millions of bytes; a part of a million
// counts as a whole one.
inline int64_t VideoMegabytes(uint64_t bytes) { return static_cast<int64_t>(bytes / 1000000 + (bytes % 1000000 != 0)); }

} // namespace velmor
