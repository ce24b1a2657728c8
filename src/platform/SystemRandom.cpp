#include "platform/SystemRandom.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <sys/random.h>
#include <unistd.h>

namespace velmor {

namespace {

constexpr uint64_t kNanosecondsPerSecond = 1000000000;
constexpr size_t kRandomDigits = 16;

// SplitMix64: spreads every bit of the seed over every byte it gives.
uint64_t NextMixed(uint64_t& state)
{
    uint64_t z = state += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

void FillRandom(void* buffer, size_t size)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::getrandom(bytes + filled, size - filled, 0);
        if (got > 0)
            filled += size_t(got);
        else if (got == 0 || errno != EINTR)
            break;
    }
    if (filled == size) return;
    static std::atomic<uint64_t> calls{0};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    uint64_t state = uint64_t(now.tv_sec) * kNanosecondsPerSecond + uint64_t(now.tv_nsec);
    state = NextMixed(state) ^ uint64_t(::getpid());
    state = NextMixed(state) ^ calls.fetch_add(1);
    while (filled < size) {
        uint64_t word = NextMixed(state);
        for (size_t i = 0; i < sizeof word && filled < size; ++i, word >>= 8)
            bytes[filled++] = static_cast<unsigned char>(word);
    }
}

std::string RandomDigits()
{
    unsigned long long value = 0;
    FillRandom(&value, sizeof value);
    char text[kRandomDigits + 1];
    std::snprintf(text, sizeof text, "%016llx", value);
    return text;
}

} // namespace velmor
