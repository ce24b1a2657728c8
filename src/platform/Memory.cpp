#include "platform/Memory.h"

#include "platform/CheckedMath.h"

#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

namespace velmor {

namespace {

constexpr uint64_t kHugePage = uint64_t{2} << 20;
// Below one huge page there is nothing to gain.
constexpr uint64_t kHugeMapMinimum = kHugePage;

void* MapAnonymous(uint64_t bytes)
{
    void* p = mmap(nullptr, static_cast<size_t>(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

// A payload touched page by page costs one fault per 4 KiB; this kernel
// gives 2 MiB pages only to ranges that ask for them, and only where the
// range is aligned to them. The map is made one huge page larger, the
// unaligned head and the tail are given back at once.
void* MapHuge(uint64_t bytes)
{
    const uint64_t mapped = bytes + kHugePage;
    auto* raw = static_cast<uint8_t*>(MapAnonymous(mapped));
    if (raw == nullptr) return MapAnonymous(bytes);
    const uint64_t head = (kHugePage - reinterpret_cast<uintptr_t>(raw) % kHugePage) % kHugePage;
    uint8_t* start = raw + head;
    const uint64_t kept = (bytes + 4095) / 4096 * 4096;
    if (head != 0) munmap(raw, static_cast<size_t>(head));
    if (mapped - head > kept) munmap(start + kept, static_cast<size_t>(mapped - head - kept));
    madvise(start, static_cast<size_t>(kept), MADV_HUGEPAGE);   // advice only: small pages still work
    return start;
}

constexpr uint64_t kPage = 4096;
// Regions this large are kept for reuse when released; smaller ones cost
// little to fault in afresh.
constexpr uint64_t kKeptMinimum = uint64_t{64} << 20;

uint64_t WholePages(uint64_t bytes) { return (bytes + kPage - 1) / kPage * kPage; }

// The last large region released, kept for the next large commit it can
// hold. Fresh pages are costly: the kernel zeroes every one at its first
// touch, and on a virtual machine that hands idle 2 MiB blocks back to its
// host that first touch of a huge page also waits on the host for each of
// its 4 KiB (several times the zeroing; loading a volume into fresh memory
// took two to three times as long as into memory just released). The kept
// pages are lazily freed: the kernel takes them back whenever it needs them
// and counts them as available meanwhile, so they are returned to the
// system for every purpose but this reuse.
class ReleasedRegion {
public:
    // The kept region trimmed to `bytes` (zeroed when asked), when it holds
    // them without wasting more than half of itself; otherwise nullptr, and
    // the region is given back so that a fresh map does not come on top of it.
    void* Take(uint64_t bytes, bool zeroed)
    {
        const uint64_t need = WholePages(bytes);
        std::lock_guard lock(m_mutex);
        if (m_data == nullptr) return nullptr;
        uint8_t* data = std::exchange(m_data, nullptr);
        const uint64_t length = std::exchange(m_length, 0);
        if (need > length || need * 2 < length) {
            munmap(data, static_cast<size_t>(length));
            return nullptr;
        }
        if (length > need) munmap(data + need, static_cast<size_t>(length - need));
        if (zeroed) std::memset(data, 0, static_cast<size_t>(need));
        return data;
    }

    // False when the region is too small to keep.
    bool Keep(void* data, uint64_t bytes)
    {
        const uint64_t length = WholePages(bytes);
        if (length < kKeptMinimum || madvise(data, static_cast<size_t>(length), MADV_FREE) != 0) return false;
        std::lock_guard lock(m_mutex);
        if (m_data != nullptr) munmap(m_data, static_cast<size_t>(m_length));
        m_data = static_cast<uint8_t*>(data);
        m_length = length;
        return true;
    }

private:
    std::mutex m_mutex;
    uint8_t* m_data = nullptr;
    uint64_t m_length = 0;
};

ReleasedRegion& TheReleasedRegion()
{
    static ReleasedRegion region;
    return region;
}

// A buffer that is overwritten piece by piece, each piece by the thread
// that makes it, takes small pages: the system zeroes each one at its
// first touch, in the cache, just before that thread's own writes. A huge
// page is zeroed whole ahead of them, and on a virtual machine that hands
// idle memory back to its host its first touch also waits on the host for
// every 4 KiB of it (measured, 128 MiB written in 256 KiB pieces after a
// few idle seconds: 340 ms on huge pages against 80 ms on small ones at one
// thread, 70 against 20 ms at eight; right after another such write 20
// against 80 ms and 10 against 20 ms).
void* CommitRegion(uint64_t bytes, bool overwritten)
{
    if (bytes == 0 || bytes > SIZE_MAX - kHugePage) return nullptr;
    if (bytes >= kKeptMinimum)
        if (void* kept = TheReleasedRegion().Take(bytes, !overwritten)) return kept;
    return bytes >= kHugeMapMinimum && !overwritten ? MapHuge(bytes) : MapAnonymous(bytes);
}

} // namespace

void* CommitMemory(uint64_t bytes) { return CommitRegion(bytes, false); }

void* CommitMemoryToOverwrite(uint64_t bytes) { return CommitRegion(bytes, true); }

void ReleaseMemory(void* data, uint64_t bytes)
{
    if (data == nullptr || bytes == 0) return;
    if (!TheReleasedRegion().Keep(data, bytes)) munmap(data, static_cast<size_t>(bytes));
}

CommittedBuffer::CommittedBuffer(uint64_t bytes) { Commit(bytes); }

CommittedBuffer::CommittedBuffer(CommittedBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0))
{
}

CommittedBuffer& CommittedBuffer::operator=(CommittedBuffer&& other) noexcept
{
    if (this != &other) {
        Reset();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

bool CommittedBuffer::Commit(uint64_t bytes)
{
    Reset();
    if (bytes == 0) return true;
    data_ = static_cast<uint8_t*>(CommitMemory(bytes));
    if (data_ == nullptr) return false;
    size_ = bytes;
    return true;
}

void CommittedBuffer::Reset()
{
    ReleaseMemory(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

namespace {

std::mutex gSourceMutex;
std::function<MemoryStatus()> gSource;

uint64_t MeminfoField(const std::string& text, const char* key)
{
    const auto pos = text.find(key);
    if (pos == std::string::npos) return 0;
    return std::strtoull(text.c_str() + pos + std::strlen(key), nullptr, 10) * 1024;
}

// A cgroup v2 limit file holds a number or "max"; 0 means no limit.
uint64_t ReadCgroupValue(const char* path)
{
    std::ifstream in(path);
    std::string word;
    if (!(in >> word) || word == "max") return 0;
    return std::strtoull(word.c_str(), nullptr, 10);
}

// The process's mapped size: the first figure of /proc/self/statm, in pages.
uint64_t MappedBytes()
{
    std::ifstream in("/proc/self/statm");
    uint64_t pages = 0;
    in >> pages;
    return pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

uint64_t AddressSpaceLeft()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return UINT64_MAX;
    const uint64_t mapped = MappedBytes();
    return limit.rlim_cur > mapped ? limit.rlim_cur - mapped : 0;
}

MemoryStatus SystemMemoryStatus()
{
    std::ifstream in("/proc/meminfo");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    MemoryStatus s;
    s.totalBytes = MeminfoField(text, "MemTotal:");
    s.availableBytes = MeminfoField(text, "MemAvailable:");
    const uint64_t limit = ReadCgroupValue("/sys/fs/cgroup/memory.max");
    if (limit != 0 && limit < s.totalBytes) {
        const uint64_t current = ReadCgroupValue("/sys/fs/cgroup/memory.current");
        s.totalBytes = limit;
        const uint64_t left = current < limit ? limit - current : 0;
        if (left < s.availableBytes) s.availableBytes = left;
    }
    s.addressSpaceLeftBytes = AddressSpaceLeft();
    return s;
}

} // namespace

MemoryStatus QueryMemoryStatus()
{
    std::function<MemoryStatus()> source;
    {
        std::lock_guard lock(gSourceMutex);
        source = gSource;
    }
    return source ? source() : SystemMemoryStatus();
}

void SetMemoryStatusSource(std::function<MemoryStatus()> source)
{
    std::lock_guard lock(gSourceMutex);
    gSource = std::move(source);
}

bool HasFreeMemory(uint64_t needBytes, const MemoryStatus& status)
{
    const bool inRam = SaturatingAdd(status.availableBytes, status.totalBytes / 10) > needBytes;
    if (status.addressSpaceLeftBytes == UINT64_MAX) return inRam;   // no limit
    const uint64_t addressRoom =
        status.addressSpaceLeftBytes > kAddressSpaceReserve ? status.addressSpaceLeftBytes - kAddressSpaceReserve : 0;
    return inRam && addressRoom > needBytes;
}

bool HasFreeMemory(uint64_t needBytes) { return HasFreeMemory(needBytes, QueryMemoryStatus()); }

void SecureWipe(void* data, size_t bytes)
{
    if (data != nullptr && bytes != 0) explicit_bzero(data, bytes);
}

} // namespace velmor
