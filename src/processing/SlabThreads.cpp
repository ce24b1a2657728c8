#include "processing/SlabThreads.h"

#include "platform/Memory.h"

#include <algorithm>
#include <sys/mman.h>
#include <thread>
#include <vector>

namespace velmor {

void RunSlabs(unsigned count, const std::function<void(unsigned)>& slab)
{
    std::vector<std::thread> threads;
    std::vector<unsigned> inlineSlabs;
    for (unsigned s = 1; s < count; ++s) {
        try {
            threads.emplace_back(slab, s);
        } catch (...) {
            inlineSlabs.push_back(s);
        }
    }
    slab(0);
    for (unsigned s : inlineSlabs) slab(s);
    for (auto& t : threads) t.join();
}

unsigned DefaultSlabCount(uint64_t slices, uint64_t work, uint64_t minimumWork)
{
    if (work < minimumWork) return 1;
    const uint64_t cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::clamp<uint64_t>(slices, 1, cores));
}

void* CommitLargeBuffer(uint64_t bytes)
{
    void* data = CommitMemory(bytes);
#ifdef MADV_HUGEPAGE
    if (data != nullptr && bytes >= (uint64_t(2) << 20)) (void)madvise(data, size_t(bytes), MADV_HUGEPAGE);
#endif
    return data;
}

} // namespace velmor
