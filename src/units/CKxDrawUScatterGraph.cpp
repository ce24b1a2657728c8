#include "units/CKxDrawUScatterGraph.h"

#include "platform/Memory.h"
#include "platform/MessageSink.h"
#include "scene/DataObject.h"
#include "units/UnitBox.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

namespace velmor {
namespace {

constexpr int kLoaded = 0;
constexpr int kReadError = 1;
constexpr int kMemoryError = 2;

int Acquire(DataObject& data, CKxDrawUnit* unit)
{
    const int32_t r = data.AcquireData(unit);
    return r == 0 ? kLoaded : r == -1 ? kReadError : kMemoryError;
}

} // namespace

CKxDrawUScatterGraph::CKxDrawUScatterGraph(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"ScatterGraph"; }

void CKxDrawUScatterGraph::Load()
{
    int code = AcquireAll();
    if (code == kLoaded) code = BuildColors();
    if (code == kLoaded) code = BuildTimeBins();
    if (code != kLoaded) {
        ShowMessage(code == kReadError ? L"data file read error" : L"memory error");
        Release();
        valid = false;
        return;
    }
    valid = true;
}

// A graph whose scene names no points has nothing to read.
int CKxDrawUScatterGraph::AcquireAll()
{
    if (coordinateData == nullptr) return kReadError;
    int code = Acquire(*coordinateData, this);
    if (code == kLoaded && colorData != nullptr) code = Acquire(*colorData, this);
    return code;
}

int CKxDrawUScatterGraph::BuildColors()
{
    ambientColors.clear();
    diffuseColors.clear();
    const DataObject& points = *coordinateData;
    components = points.components;
    samples = reinterpret_cast<const float*>(points.samples);
    // Only whole records of the payload are points, however many the scene
    // announced.
    const uint64_t recordBytes = uint64_t(points.components) * sizeof(float);
    uint64_t count = recordBytes == 0 ? 0 : std::min(points.elementCount, points.payloadBytes / recordBytes);
    if (count > uint64_t(std::numeric_limits<int32_t>::max())) return kMemoryError;
    pointCount = static_cast<int32_t>(count);
    try {
        if (colorData == nullptr) {
            ambientColors.assign(material.ambient, material.ambient + 3);
            diffuseColors.assign(material.diffuse, material.diffuse + 3);
            return kLoaded;
        }
        // Colour data shorter than the points cannot colour them all.
        if (colorData->samples == nullptr || colorData->payloadBytes / 3 < count) return kReadError;
        if (!HasFreeMemory(count * 3 * sizeof(float) * 2)) return kMemoryError;
        ambientColors.resize(count * 3);
        diffuseColors.resize(count * 3);
    } catch (const std::bad_alloc&) {
        return kMemoryError;
    }
    for (uint64_t i = 0; i < count * 3; ++i) {
        const float c = colorData->samples[i] / 255.0f;
        ambientColors[i] = c * ambientDiffuseBalance[0];
        diffuseColors[i] = c * ambientDiffuseBalance[1];
    }
    return kLoaded;
}

int CKxDrawUScatterGraph::BuildTimeBins()
{
    timeBins.clear();
    if (coordinateData->type == L"array_xyz") hasTime = false;
    if (coordinateData->type != L"array_xyzt") return kLoaded;
    hasTime = true;
    const float start = timeSeries[0], end = timeSeries[1], step = timeSeries[2];
    const float bins = std::ceil((end - start) / step);
    // A time axis that gives no finite count of bins shows no point; one
    // with more bins than memory holds is a memory shortage.
    if (!std::isfinite(bins) || !(bins >= 1.0f) || components < 4) return kLoaded;
    if (bins > float(std::numeric_limits<int32_t>::max()) || !HasFreeMemory(uint64_t(bins) * sizeof(ScatterTimeBin)))
        return kMemoryError;
    try {
        timeBins.assign(static_cast<size_t>(bins), ScatterTimeBin{pointCount - 1, 0});
    } catch (const std::bad_alloc&) {
        return kMemoryError;
    }
    for (int32_t i = 0; i < pointCount; ++i) {
        const float t = samples[size_t(i) * size_t(components) + 3];
        const float b = std::floor((t - start) / step);
        if (!(b >= 0.0f && b < bins) || static_cast<size_t>(b) >= timeBins.size()) continue;
        ScatterTimeBin& bin = timeBins[static_cast<size_t>(b)];
        bin.first = std::min(bin.first, i);
        bin.count += 1;
    }
    return kLoaded;
}

void CKxDrawUScatterGraph::Release()
{
    if (coordinateData != nullptr) coordinateData->ReleaseData(this);
    if (colorData != nullptr) colorData->ReleaseData(this);
    ambientColors.clear();
    ambientColors.shrink_to_fit();
    diffuseColors.clear();
    diffuseColors.shrink_to_fit();
    timeBins.clear();
    timeBins.shrink_to_fit();
}

void CKxDrawUScatterGraph::GetBounds(double minimum[3], double maximum[3])
{
    if (coordinateData != nullptr)
        WriteUnitBox(coordinateData->boundsMin, coordinateData->boundsMax, lengthFactor, minimum, maximum);
}

} // namespace velmor
