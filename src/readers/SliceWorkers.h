#pragma once
// Slices of a volume read on several threads. Every slice is decoded into
// its own place of the payload, so the samples do not depend on the thread
// count or on which thread took which slice.
#include "platform/Memory.h"

#include <cstdint>
#include <functional>

namespace velmor {

// `requested` threads, or one per core for 0; at most one per slice, at
// least one, and no more than 64 MiB of `scratchPerThread` in all: a volume
// of very large slices gets fewer threads rather than a second copy of itself.
unsigned SliceThreadCount(unsigned requested, uint64_t slices, uint64_t scratchPerThread);

// At most `threads`, at least one: as many slice reads as may each hold
// `bytesEach` at once beside the `pending` bytes the load has still to fill,
// by the free-memory check on `status`. Every reader checks what it
// allocates, but threads that check at the same moment all pass on the same
// free memory; a lone read that still does not fit refuses itself.
unsigned AffordableSliceThreads(unsigned threads, uint64_t bytesEach, uint64_t pending, const MemoryStatus& status);

// Calls read(thread, z) for every z in [0, count) on `threads` threads
// (thread 0 is the calling one), each taking the next slice nobody has
// taken. After a false answer no further slice is started. `completed(n)`
// runs on the calling thread only, between its own slices and once at the
// end, with the number of slices finished so far. True when every call
// answered true.
bool ReadSlices(uint64_t count, unsigned threads, const std::function<bool(unsigned thread, uint64_t z)>& read,
                const std::function<void(uint64_t finished)>& completed = {});

} // namespace velmor
