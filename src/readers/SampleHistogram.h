#pragma once
// The value histograms of loaded images and volumes: 256 bins for 1-byte
// data (range fixed at 0..255), and for 2-byte data the 65,536-entry table
// folded into 256 bins over the range actually present.
#include <cstdint>

namespace velmor {

struct HistogramSummary {
    float displayMin = 0.0f;
    float displayMax = 0.0f;
    float peakCount = 1.0f;   // the largest bin, at least 1
};

HistogramSummary BuildHistogram8(const uint8_t* values, uint64_t count, uint64_t histogram[256]);
// An empty buffer reads as the range 0..0.
HistogramSummary BuildHistogram16(const uint16_t* values, uint64_t count, uint64_t histogram[256], uint64_t histogram16[65536]);

} // namespace velmor
