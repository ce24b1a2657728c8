#pragma once
// The value histograms of loaded images and volumes: 256 bins for 1-byte
// data (range fixed at 0..255), and for 2-byte data the 65,536-entry table
// folded into 256 bins over the range actually present.
#include <cstdint>
#include <vector>

namespace velmor {

struct HistogramSummary {
    float displayMin = 0.0f;
    float displayMax = 0.0f;
    float peakCount = 1.0f;   // the largest bin, at least 1
};

// Large buffers are counted on up to `threads` threads (0: one per core).
HistogramSummary BuildHistogram8(const uint8_t* values, uint64_t count, uint64_t histogram[256], unsigned threads = 0);
// An empty buffer reads as the range 0..0.
HistogramSummary BuildHistogram16(const uint16_t* values, uint64_t count, uint64_t histogram[256], uint64_t histogram16[65536],
                                  unsigned threads = 0);

// The summaries of tables that are already counted (by SampleCounter).
HistogramSummary SummariseHistogram8(const uint64_t histogram[256]);
HistogramSummary SummariseHistogram16(const uint64_t histogram16[65536], uint64_t count, uint64_t histogram[256]);

// Counts 1- or 2-byte values (host order) into a table of its own, so that
// a reader can count each slice while it is still in cache, one counter per
// thread; the tables of all counters add up to the histogram of the whole.
class SampleCounter {
public:
    explicit SampleCounter(int bytesPerValue);
    void Count(const uint8_t* values, uint64_t count);
    // `count` more values that all equal `value` (the zeros a reader did not write).
    void CountRepeats(uint32_t value, uint64_t count);
    // Adds the counts into a table of 256 (1-byte) or 65,536 (2-byte) entries.
    void AddTo(uint64_t* table);
    uint64_t Counted() const { return counted_; }

private:
    void Flush();

    int width_;
    uint64_t bins_;
    uint64_t counted_ = 0;
    uint64_t sinceFlush_ = 0;
    std::vector<uint32_t> counts_;   // since the last flush into totals_
    std::vector<uint64_t> totals_;
};

} // namespace velmor
