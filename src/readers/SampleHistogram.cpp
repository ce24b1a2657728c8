#include "readers/SampleHistogram.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace velmor {
namespace {

float Peak(const uint64_t histogram[256])
{
    float peak = 1.0f;
    for (int i = 0; i < 256; ++i)
        if (static_cast<float>(histogram[i]) >= peak) peak = static_cast<float>(histogram[i]);
    return peak;
}

// Counting into four tables breaks the dependency between neighbouring
// equal values (common in CT margins) that a single table would serialise.
template <typename T, size_t Bins>
void Count(const T* values, uint64_t count, uint64_t* histogram)
{
    std::vector<uint64_t> lanes(3 * Bins, 0);
    uint64_t* a = lanes.data();
    uint64_t* b = a + Bins;
    uint64_t* c = b + Bins;
    uint64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        ++histogram[values[i]];
        ++a[values[i + 1]];
        ++b[values[i + 2]];
        ++c[values[i + 3]];
    }
    for (; i < count; ++i) ++histogram[values[i]];
    for (size_t k = 0; k < Bins; ++k) histogram[k] += a[k] + b[k] + c[k];
}

// Large payloads are counted by several threads, each into its own table,
// and the tables summed: the same counts, a fraction of the wait.
template <typename T, size_t Bins>
void CountAll(const T* values, uint64_t count, uint64_t* histogram)
{
    constexpr uint64_t kValuesPerThread = uint64_t{8} << 20;
    const uint64_t threads = std::min<uint64_t>({std::max(1u, std::thread::hardware_concurrency()), 8, count / kValuesPerThread});
    if (threads < 2) {
        Count<T, Bins>(values, count, histogram);
        return;
    }
    std::vector<std::vector<uint64_t>> tables(threads - 1, std::vector<uint64_t>(Bins, 0));
    std::vector<std::thread> workers;
    const uint64_t share = count / threads;
    try {
        for (uint64_t t = 1; t < threads; ++t) {
            const uint64_t first = t * share, n = t + 1 == threads ? count - first : share;
            workers.emplace_back([&tables, values, first, n, t] { Count<T, Bins>(values + first, n, tables[t - 1].data()); });
        }
    } catch (const std::system_error&) {
        // No more threads to be had: the rest is counted here.
        const uint64_t from = (workers.size() + 1) * share;
        Count<T, Bins>(values + from, count - from, histogram);
    }
    Count<T, Bins>(values, share, histogram);
    for (auto& w : workers) w.join();
    for (size_t t = 0; t < workers.size(); ++t)
        for (size_t k = 0; k < Bins; ++k) histogram[k] += tables[t][k];
}

} // namespace

HistogramSummary BuildHistogram8(const uint8_t* values, uint64_t count, uint64_t histogram[256])
{
    std::memset(histogram, 0, 256 * sizeof(uint64_t));
    CountAll<uint8_t, 256>(values, count, histogram);
    HistogramSummary s;
    s.displayMin = 0.0f;
    s.displayMax = 255.0f;
    s.peakCount = Peak(histogram);
    return s;
}

HistogramSummary BuildHistogram16(const uint16_t* values, uint64_t count, uint64_t histogram[256], uint64_t histogram16[65536])
{
    std::memset(histogram, 0, 256 * sizeof(uint64_t));
    std::memset(histogram16, 0, 65536 * sizeof(uint64_t));
    HistogramSummary s;
    if (count == 0) return s;
    CountAll<uint16_t, 65536>(values, count, histogram16);
    int lowest = 0, highest = 65535;
    while (histogram16[lowest] == 0) ++lowest;
    while (histogram16[highest] == 0) --highest;
    s.displayMin = static_cast<float>(lowest);
    s.displayMax = static_cast<float>(highest);
    if (lowest == highest) {
        histogram[0] = count;   // one value only: the fold's scale would be infinite
    } else {
        const float scale = 255.0f / (s.displayMax - s.displayMin);
        for (int i = 0; i < 65536; ++i) {
            const float position = (static_cast<float>(i) - s.displayMin) * scale;
            const int bin = position <= 0.0f ? 0 : position >= 255.0f ? 255 : static_cast<int>(position);
            histogram[bin] += histogram16[i];
        }
    }
    s.peakCount = Peak(histogram);
    return s;
}

} // namespace velmor
