#include "processing/SlabThreads.h"

#include <algorithm>
#include <atomic>
#include <memory>
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

void RunSharedSlabs(unsigned workers, unsigned slabs, const std::function<void(unsigned, unsigned)>& slab)
{
    // A helper thread that the system starts late finds no slab left and
    // ends: the caller waits for the slabs, not for the threads, which is
    // why they are detached and share only this record with it.
    struct Shared {
        std::atomic<unsigned> next{0};
        std::atomic<unsigned> done{0};
        unsigned slabs = 0;
        const std::function<void(unsigned, unsigned)>* slab = nullptr;
    };
    auto shared = std::make_shared<Shared>();
    shared->slabs = slabs;
    shared->slab = &slab;
    auto work = [](Shared& st, unsigned worker) {
        for (unsigned s = st.next++; s < st.slabs; s = st.next++) {
            (*st.slab)(worker, s);
            if (++st.done == st.slabs) st.done.notify_all();
        }
    };
    for (unsigned w = 1; w < std::min(workers, slabs); ++w) {
        try {
            std::thread([shared, w, work] { work(*shared, w); }).detach();
        } catch (...) {
            break;   // the threads already started and this one share the slabs
        }
    }
    work(*shared, 0);
    for (unsigned d = shared->done.load(); d < slabs; d = shared->done.load()) shared->done.wait(d);
}

unsigned DefaultSlabCount(uint64_t slices, uint64_t work, uint64_t minimumWork)
{
    if (work < minimumWork) return 1;
    const uint64_t cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::clamp<uint64_t>(slices, 1, cores));
}

} // namespace velmor
