#include "platform/CheckedMath.h"
#include "platform/Memory.h"
#include "platform/MemoryStream.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velmor;

TEST(Memory, CommittedBufferIsZeroedAndMovable)
{
    CommittedBuffer a(1 << 20);
    ASSERT_TRUE(a.Ok());
    ASSERT_NE(a.Data(), nullptr);
    EXPECT_EQ(a.Data()[0], 0);
    EXPECT_EQ(a.Data()[(1 << 20) - 1], 0);
    a.Data()[5] = 7;
    CommittedBuffer b = std::move(a);
    EXPECT_EQ(a.Data(), nullptr);
    EXPECT_EQ(b.Data()[5], 7);
    EXPECT_EQ(b.Size(), 1u << 20);
    b.Reset();
    EXPECT_EQ(b.Size(), 0u);
}

// Large maps start on a huge page (so that the system can back them with
// huge pages) and hold every byte asked for, up to an odd last one; the
// neighbours of a released map are untouched.
TEST(Memory, LargeMapsAreAlignedAndWhole)
{
    for (const uint64_t bytes : {(uint64_t{2} << 20) + 1, (uint64_t{5} << 20) + 4095, uint64_t{9} << 20}) {
        auto* before = static_cast<uint8_t*>(CommitMemory(bytes));
        auto* data = static_cast<uint8_t*>(CommitMemory(bytes));
        ASSERT_NE(data, nullptr);
        ASSERT_NE(before, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % (uint64_t{2} << 20), 0u) << bytes;
        EXPECT_EQ(data[bytes - 1], 0);
        std::memset(data, 0x5A, bytes);
        std::memset(before, 0xA5, bytes);
        EXPECT_EQ(data[0], 0x5A);
        EXPECT_EQ(data[bytes - 1], 0x5A);
        ReleaseMemory(before, bytes);
        EXPECT_EQ(data[bytes - 1], 0x5A);
        ReleaseMemory(data, bytes);
    }
}

// A large region released and committed again comes back zero-filled,
// whether it is taken whole or in part, and a far smaller commit does not
// take it; none of this disturbs a region still in use.
TEST(Memory, ReleasedLargeRegionsComeBackZeroed)
{
    constexpr uint64_t kLarge = (uint64_t{96} << 20) + 123;
    auto* kept = static_cast<uint8_t*>(CommitMemory(kLarge));
    auto* other = static_cast<uint8_t*>(CommitMemory(kLarge));
    ASSERT_NE(kept, nullptr);
    ASSERT_NE(other, nullptr);
    std::memset(other, 0x33, kLarge);
    for (const uint64_t again : {kLarge, kLarge - (uint64_t{20} << 20), uint64_t{70} << 20, uint64_t{3} << 20}) {
        std::memset(kept, 0xC3, kLarge);
        ReleaseMemory(kept, kLarge);
        auto* data = static_cast<uint8_t*>(CommitMemory(again));
        ASSERT_NE(data, nullptr) << again;
        for (uint64_t at = 0; at < again; at += 4093) ASSERT_EQ(data[at], 0) << again << " at " << at;
        EXPECT_EQ(data[again - 1], 0) << again;
        ReleaseMemory(data, again);
        kept = static_cast<uint8_t*>(CommitMemory(kLarge));
        ASSERT_NE(kept, nullptr);
    }
    // A buffer that will be overwritten takes the kept region as it is; the
    // next ordinary commit is zero-filled again.
    std::memset(kept, 0xC3, kLarge);
    ReleaseMemory(kept, kLarge);
    auto* overwritten = static_cast<uint8_t*>(CommitMemoryToOverwrite(kLarge));
    EXPECT_EQ(overwritten, kept);
    std::memset(overwritten, 0x77, kLarge);
    ReleaseMemory(overwritten, kLarge);
    kept = static_cast<uint8_t*>(CommitMemory(kLarge));
    EXPECT_EQ(kept[0], 0);
    EXPECT_EQ(kept[kLarge - 1], 0);
    EXPECT_EQ(other[0], 0x33);
    EXPECT_EQ(other[kLarge - 1], 0x33);
    ReleaseMemory(kept, kLarge);
    ReleaseMemory(other, kLarge);
}

TEST(Memory, ImpossibleSizesFail)
{
    CommittedBuffer empty;
    EXPECT_TRUE(empty.Commit(0));
    EXPECT_EQ(empty.Data(), nullptr);
    CommittedBuffer huge;
    EXPECT_FALSE(huge.Commit(UINT64_MAX));
    EXPECT_EQ(CommitMemory(0), nullptr);
}

TEST(Memory, FreeMemoryCheckUsesTheInjectedStatus)
{
    const MemoryStatus s{1000, 200};
    EXPECT_TRUE(HasFreeMemory(299, s));
    EXPECT_FALSE(HasFreeMemory(300, s));
    EXPECT_TRUE(HasFreeMemory(UINT64_MAX - 1, MemoryStatus{UINT64_MAX, UINT64_MAX}));   // saturates

    SetMemoryStatusSource([] { return MemoryStatus{100, 0}; });
    EXPECT_FALSE(HasFreeMemory(10));
    EXPECT_TRUE(HasFreeMemory(9));
    SetMemoryStatusSource({});
    const MemoryStatus real = QueryMemoryStatus();
    EXPECT_GT(real.totalBytes, 0u);
    EXPECT_LE(real.availableBytes, real.totalBytes);
}

// Under an address-space limit a need fails while the driver would not find
// its reserve left after it, whatever the free RAM says.
TEST(Memory, AddressSpaceLimitKeepsTheReserve)
{
    constexpr uint64_t kGiB = uint64_t{1} << 30;
    MemoryStatus s{16 * kGiB, 8 * kGiB, kGiB};
    EXPECT_TRUE(HasFreeMemory(kGiB - kAddressSpaceReserve - 1, s));
    EXPECT_FALSE(HasFreeMemory(kGiB - kAddressSpaceReserve, s));
    s.addressSpaceLeftBytes = kAddressSpaceReserve;
    EXPECT_FALSE(HasFreeMemory(0, s));
    EXPECT_EQ(QueryMemoryStatus().addressSpaceLeftBytes, UINT64_MAX);   // the tests run without a limit
}

// Under a real limit (set in a child, so that the tests' own stays unlimited)
// beside what is mapped, 512 MiB less the driver's reserve leave 256 MiB.
TEST(Memory, ARealAddressSpaceLimitIsCounted)
{
    constexpr uint64_t kMiB = uint64_t{1} << 20;
    if (fork() == 0) {
        uint64_t pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlimit limit{pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE)) + 512 * kMiB, RLIM_INFINITY};
        const uint64_t left = setrlimit(RLIMIT_AS, &limit) == 0 ? QueryMemoryStatus().addressSpaceLeftBytes : 0;
        _exit(left <= 512 * kMiB && left > 448 * kMiB && !HasFreeMemory(320 * kMiB) && HasFreeMemory(64 * kMiB) ? 0 : 1);
    }
    int status = -1;
    wait(&status);
    EXPECT_EQ(status, 0);
}

TEST(Memory, CheckedArithmetic)
{
    uint64_t out;
    EXPECT_FALSE(CheckedMul(1ull << 32, 1ull << 32, out));
    EXPECT_TRUE(CheckedMul(1ull << 31, 1ull << 32, out));
    EXPECT_FALSE(CheckedRoundUp(UINT64_MAX - 3, 16, out));
    ASSERT_TRUE(CheckedRoundUp(17, 16, out));
    EXPECT_EQ(out, 32u);
    ASSERT_TRUE(CheckedRoundUp(16, 16, out));
    EXPECT_EQ(out, 16u);
}

TEST(MemoryStream, ReadsAndSeeksWithinBounds)
{
    uint8_t bytes[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    MemoryStream s(bytes, sizeof bytes);
    uint8_t out[4] = {};
    EXPECT_EQ(s.Read(out, 4), 4u);
    EXPECT_EQ(out[3], 3);
    EXPECT_TRUE(s.Seek(-2, MemoryStream::Origin::End));
    EXPECT_EQ(s.Read(out, 4), 2u);
    EXPECT_EQ(out[1], 9);
    EXPECT_EQ(s.Read(out, 4), 0u);
    EXPECT_FALSE(s.Seek(1, MemoryStream::Origin::End));
    EXPECT_FALSE(s.Seek(-11, MemoryStream::Origin::Current));
    EXPECT_FALSE(s.Seek(INT64_MIN, MemoryStream::Origin::Begin));
    EXPECT_EQ(s.Tell(), 10u);
    EXPECT_TRUE(s.Seek(0, MemoryStream::Origin::Begin));
    EXPECT_EQ(s.Tell(), 0u);
}
