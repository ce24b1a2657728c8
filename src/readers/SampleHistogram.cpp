#include "readers/SampleHistogram.h"

#include <algorithm>
#include <cstring>
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

} // namespace

HistogramSummary BuildHistogram8(const uint8_t* values, uint64_t count, uint64_t histogram[256])
{
    std::memset(histogram, 0, 256 * sizeof(uint64_t));
    Count<uint8_t, 256>(values, count, histogram);
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
    Count<uint16_t, 65536>(values, count, histogram16);
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
