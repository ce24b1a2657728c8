#include "readers/SliceWorkers.h"

#include "platform/CheckedMath.h"
#include "processing/SlabThreads.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace velmor {

unsigned SliceThreadCount(unsigned requested, uint64_t slices, uint64_t scratchPerThread)
{
    constexpr uint64_t kScratchBudget = uint64_t{64} << 20;
    const uint64_t wanted = requested != 0 ? requested : std::max(1u, std::thread::hardware_concurrency());
    const uint64_t affordable = kScratchBudget / std::max<uint64_t>(1, scratchPerThread);
    return static_cast<unsigned>(std::clamp<uint64_t>(std::min({wanted, slices, affordable}), 1, 1024));
}

unsigned AffordableSliceThreads(unsigned threads, uint64_t bytesEach, uint64_t pending, const MemoryStatus& status)
{
    unsigned n = std::max(1u, threads);
    const auto need = [&](unsigned count) {
        uint64_t all = 0;
        return CheckedMul(bytesEach, count, all) ? SaturatingAdd(all, pending) : UINT64_MAX;
    };
    while (n > 1 && !HasFreeMemory(need(n), status)) --n;
    return n;
}

bool ReadSlices(uint64_t count, unsigned threads, const std::function<bool(unsigned thread, uint64_t z)>& read,
                const std::function<void(uint64_t finished)>& completed)
{
    std::atomic<uint64_t> finished{0};
    std::atomic<bool> failed{false};
    // The shared slabs are counted in 32 bits: a longer run goes in parts.
    constexpr uint64_t kPart = uint64_t{1} << 31;
    for (uint64_t first = 0; first < count && !failed.load(); first += kPart) {
        const auto slabs = static_cast<unsigned>(std::min(kPart, count - first));
        RunSharedSlabs(std::max(1u, threads), slabs, [&](unsigned thread, unsigned s) {
            // After a failure the slices left are only counted off.
            if (!failed.load(std::memory_order_relaxed) && !read(thread, first + s)) failed = true;
            const uint64_t done = finished.fetch_add(1) + 1;
            if (thread == 0 && completed) completed(done);
        });
    }
    if (completed) completed(finished.load());
    return !failed.load();
}

} // namespace velmor
