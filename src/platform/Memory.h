#pragma once
// Large buffers (payloads, voxel grids, meshes) and the free-memory check
// taken before they are allocated.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace velmor {

// Zero-filled pages reserved lazily. On release they go back to the system
// at once, except the last large region, which stays lazily freed (the
// system takes its pages whenever it needs them) for the next large commit.
// A size of 0 or one that cannot be mapped gives nullptr.
void* CommitMemory(uint64_t bytes);
// The same for a buffer its callers write whole, piece by piece, before
// they read any of it: a kept region comes back holding what it held, not
// zeroed first, and a fresh map (zero-filled as ever) has small pages, so
// that no page is zeroed long before it is written.
void* CommitMemoryToOverwrite(uint64_t bytes);
void ReleaseMemory(void* data, uint64_t bytes);

// Owner of one committed region; move-only.
class CommittedBuffer {
public:
    CommittedBuffer() = default;
    explicit CommittedBuffer(uint64_t bytes);
    ~CommittedBuffer() { Reset(); }
    CommittedBuffer(CommittedBuffer&& other) noexcept;
    CommittedBuffer& operator=(CommittedBuffer&& other) noexcept;
    CommittedBuffer(const CommittedBuffer&) = delete;
    CommittedBuffer& operator=(const CommittedBuffer&) = delete;

    // A zero-byte request succeeds with no pages behind it.
    bool Commit(uint64_t bytes);
    void Reset();
    bool Ok() const { return data_ != nullptr || size_ == 0; }
    uint8_t* Data() const { return data_; }
    uint64_t Size() const { return size_; }

private:
    uint8_t* data_ = nullptr;
    uint64_t size_ = 0;
};

struct MemoryStatus {
    uint64_t totalBytes = 0;      // physical memory, or the cgroup limit when lower
    uint64_t availableBytes = 0;  // what can still be had without swapping
    // Room under the address-space limit (RLIMIT_AS) beside what is mapped
    // already; UINT64_MAX when there is no limit.
    uint64_t addressSpaceLeftBytes = UINT64_MAX;
};

// Address space kept for what maps memory after a check passed: the GL
// driver's buffers and threads, the libraries. Without it the driver is the
// one that runs out, and it does not fail gently.
constexpr uint64_t kAddressSpaceReserve = uint64_t{256} << 20;

// Reads /proc/meminfo and the cgroup limits, unless a test installed a source.
MemoryStatus QueryMemoryStatus();
void SetMemoryStatusSource(std::function<MemoryStatus()> source);   // empty restores the system's
// Passes while available + 0.1 x total exceeds the need (saturating) and the
// need fits the address space left with the reserve to spare.
bool HasFreeMemory(uint64_t needBytes);
bool HasFreeMemory(uint64_t needBytes, const MemoryStatus& status);

// Overwrites memory in a way the compiler may not drop (keys, feedback).
void SecureWipe(void* data, size_t bytes);

} // namespace velmor
