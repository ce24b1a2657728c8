#pragma once
// Splitting a worker's loop over slices into slabs that run on threads of
// their own. Callers keep the result independent of the slab count.
#include <cstdint>
#include <functional>
#include <utility>

namespace velmor {

// Runs `slab(s)` for s in [0, count): slab 0 on the calling thread, the
// others on threads of their own (inline when no thread can be started).
void RunSlabs(unsigned count, const std::function<void(unsigned)>& slab);

// Runs `slab(worker, s)` for s in [0, slabs) on up to `workers` threads,
// each taking the next slab when it finishes one: a thread that the system
// holds up delays only the slab it has, not a fixed share of the work.
// Worker 0 is the calling thread.
void RunSharedSlabs(unsigned workers, unsigned slabs, const std::function<void(unsigned, unsigned)>& slab);

// Slices [begin, end) of slab s when `total` slices go to `slabs` slabs.
inline std::pair<uint64_t, uint64_t> SlabRange(uint64_t total, unsigned slabs, unsigned s)
{
    return {total * s / slabs, total * (s + 1) / slabs};
}

// One slab per core, at most one per slice; 1 below `minimumWork`.
unsigned DefaultSlabCount(uint64_t slices, uint64_t work, uint64_t minimumWork);

} // namespace velmor
