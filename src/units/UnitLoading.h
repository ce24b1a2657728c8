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

// A unit's load result for how its payload load ended.
inline int UnitLoadResult(LoadStatus status)
{
    if (status == kPayloadLoaded) return kUnitLoaded;
    return status == kPayloadMemoryShortage ? kUnitMemoryError : kUnitReadError;
}

// The payload for `unit`, as a unit's load result.
inline int AcquireUnitData(DataObject& data, CKxDrawUnit* unit) { return UnitLoadResult(data.AcquireData(unit)); }

// The video-memory checks count in millions of bytes; a part of a million
// counts as a whole one.
inline int64_t VideoMegabytes(uint64_t bytes) { return static_cast<int64_t>(bytes / 1000000 + (bytes % 1000000 != 0)); }

} // namespace velmor
