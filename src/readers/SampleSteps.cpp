// The data object's histogram and mirror members over the sample helpers.
#include "platform/CheckedMath.h"
#include "readers/SampleHistogram.h"
#include "readers/SampleMirror.h"
#include "scene/DataObject.h"

namespace velmor {
namespace {

// Values counted by the histograms: every channel of every element.
bool HistogramValues(const DataObject& d, uint64_t width, uint64_t& values)
{
    uint64_t elements = 0, bytes = 0;
    if (d.type == L"image") {
        if (!CheckedMul(d.countX, d.countY, elements)) return false;
    } else if (d.type == L"volume") {
        if (!CheckedMul(d.countX, d.countY, elements) || !CheckedMul(elements, d.countZ, elements)) return false;
    } else {
        return false;
    }
    return CheckedMul(elements, d.components, values) && CheckedMul(values, width, bytes) && bytes <= d.payloadBytes;
}

void Apply(DataObject& d, const HistogramSummary& s)
{
    d.minValue = s.displayMin;
    d.maxValue = s.displayMax;
    d.histogramPeak = s.peakCount;
}

} // namespace

void DataObject::BuildHistogram8(const uint8_t* values)
{
    uint64_t count = 0;
    if (values == nullptr || !histogram256 || !HistogramValues(*this, 1, count)) return;
    if (valuesCounted) return Apply(*this, SummariseHistogram8(histogram256.get()));
    Apply(*this, velmor::BuildHistogram8(values, count, histogram256.get(), loadThreads));
}

void DataObject::BuildHistogram16(const uint8_t* values)
{
    uint64_t count = 0;
    if (values == nullptr || !histogram256 || !histogram65536 || !HistogramValues(*this, 2, count)) return;
    if (valuesCounted) return Apply(*this, SummariseHistogram16(histogram65536.get(), count, histogram256.get()));
    // Committed payloads are page-aligned, so the 2-byte view is aligned.
    Apply(*this, velmor::BuildHistogram16(reinterpret_cast<const uint16_t*>(values), count, histogram256.get(),
                                          histogram65536.get(), loadThreads));
}

void DataObject::Mirror(uint8_t* data, uint64_t valueBytes, bool volume)
{
    uint64_t pixelBytes = 0, pixels = 0, bytes = 0;
    const uint64_t z = volume ? countZ : 1;
    if (!CheckedMul(components, valueBytes, pixelBytes) || !CheckedMul(countX, countY, pixels) ||
        !CheckedMul(pixels, z, pixels) || !CheckedMul(pixels, pixelBytes, bytes) || bytes > payloadBytes)
        return;
    MirrorSamples(data, static_cast<int64_t>(countX), static_cast<int64_t>(countY), static_cast<int64_t>(z), pixelBytes,
                  reverseX, pendingFlipY, volume && pendingFlipZ);
}

void DataObject::MirrorImage8(uint8_t* data) { Mirror(data, 1, false); }
void DataObject::MirrorImage16(uint8_t* data) { Mirror(data, 2, false); }
void DataObject::MirrorImageFloat(uint8_t* data) { Mirror(data, 4, false); }
void DataObject::MirrorVolume8(uint8_t* data) { Mirror(data, 1, true); }
void DataObject::MirrorVolume16(uint8_t* data) { Mirror(data, 2, true); }
void DataObject::MirrorVolumeFloat(uint8_t* data) { Mirror(data, 4, true); }

} // namespace velmor
