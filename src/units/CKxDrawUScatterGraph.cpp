#include "units/CKxDrawUScatterGraph.h"

#include "platform/Memory.h"
#include "scene/DataObject.h"
#include "render/RenderSettings.h"
#include "units/DrawGroup.h"
#include "units/PictureUnitDrawing.h"
#include "units/UnitBox.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>

namespace velmor {

CKxDrawUScatterGraph::CKxDrawUScatterGraph(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"ScatterGraph"; }

void CKxDrawUScatterGraph::Load()
{
    LoadStatus code = AcquireAll();
    if (code == kLoaded) code = BuildColors();
    if (code == kLoaded) code = BuildTimeBins();
    if (code != kLoaded) {
        ReportLoadFailure(code == kLoadReadFailure ? L"data file read error" : L"memory error");
        Release();
        valid = false;
        return;
    }
    valid = true;
}

// A graph whose scene names no points has nothing to read.
LoadStatus CKxDrawUScatterGraph::AcquireAll()
{
    if (coordinateData == nullptr) return kLoadReadFailure;
    LoadStatus code = coordinateData->AcquireData(this);
    if (code == kLoaded && colorData != nullptr) code = colorData->AcquireData(this);
    return code;
}

LoadStatus CKxDrawUScatterGraph::BuildColors()
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
    if (count > uint64_t(std::numeric_limits<int32_t>::max())) return kLoadMemoryShortage;
    pointCount = static_cast<int32_t>(count);
    try {
        if (colorData == nullptr) {
            ambientColors.assign(material.ambient, material.ambient + 3);
            diffuseColors.assign(material.diffuse, material.diffuse + 3);
            return kLoaded;
        }
        // Colour data shorter than the points cannot colour them all.
        if (colorData->samples == nullptr || colorData->payloadBytes / 3 < count) return kLoadReadFailure;
        if (!HasFreeMemory(count * 3 * sizeof(float) * 2)) return kLoadMemoryShortage;
        ambientColors.resize(count * 3);
        diffuseColors.resize(count * 3);
    } catch (const std::bad_alloc&) {
        return kLoadMemoryShortage;
    }
    for (uint64_t i = 0; i < count * 3; ++i) {
        const float c = colorData->samples[i] / 255.0f;
        ambientColors[i] = c * ambientDiffuseBalance[0];
        diffuseColors[i] = c * ambientDiffuseBalance[1];
    }
    return kLoaded;
}

LoadStatus CKxDrawUScatterGraph::BuildTimeBins()
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
        return kLoadMemoryShortage;
    try {
        timeBins.assign(static_cast<size_t>(bins), ScatterTimeBin{pointCount - 1, 0});
    } catch (const std::bad_alloc&) {
        return kLoadMemoryShortage;
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

void CKxDrawUScatterGraph::Draw(int pass)
{
    // Records of fewer than three floats cannot be drawn as points.
    if (hidden || !valid || CurrentRenderSettings().drawingClippedPart != 0 || (pass != 1 && pass != 3) ||
        samples == nullptr || components < 3 || ambientColors.size() < 3 || diffuseColors.size() < 3)
        return;
    if (PictureUnitGL.drawScatterGraph != nullptr)
        PictureUnitGL.drawScatterGraph(*this, pass);
}

// A negative time selects no bin, like a time past the last one.
ScatterRange CKxDrawUScatterGraph::DrawRange() const
{
    if (!hasTime)
        return {0, pointCount};
    const float time = CurrentRenderSettings().currentTime;
    if (!(time >= 0.0f) || time >= static_cast<float>(timeBins.size()))
        return {};
    const ScatterTimeBin& bin = timeBins[static_cast<size_t>(time)];
    if (bin.count <= 0 || bin.first < 0 || bin.first >= pointCount)
        return {};
    return {bin.first, std::min(bin.count, pointCount - bin.first)};
}

bool CKxDrawUScatterGraph::DrawsPointByPoint(int pass) const
{
    return events.size() > 1 || (pass == 1 && colorData != nullptr);
}

bool CKxDrawUScatterGraph::IsHighlighted(int32_t i, bool pointByPoint) const
{
    const size_t at = pointByPoint && events.size() > 1 ? static_cast<size_t>(i) : 0;
    return at < eventFlags.size() && eventFlags[at] == 1;
}

uint32_t* CKxDrawUScatterGraph::PickIdOf(int32_t i, bool pointByPoint)
{
    const size_t at = pointByPoint && events.size() > 1 ? static_cast<size_t>(i) : 0;
    return at < pickIds.size() ? &pickIds[at] : nullptr;
}

const float* CKxDrawUScatterGraph::AmbientOf(int32_t i) const
{
    const size_t at = 3 * static_cast<size_t>(i);
    return colorData != nullptr && at + 3 <= ambientColors.size() ? &ambientColors[at] : ambientColors.data();
}

const float* CKxDrawUScatterGraph::DiffuseOf(int32_t i) const
{
    const size_t at = 3 * static_cast<size_t>(i);
    return colorData != nullptr && at + 3 <= diffuseColors.size() ? &diffuseColors[at] : diffuseColors.data();
}

void CKxDrawUScatterGraph::MarkerPosition(int32_t i, double out[3]) const
{
    const float* c = samples + static_cast<size_t>(i) * static_cast<size_t>(components);
    for (int k = 0; k < 3; ++k) {
        const double centre = topGroup != nullptr ? topGroup->centre[k] : 0.0;
        out[k] = translation[k] + scale[k] * (c[k] - pivot[k] - centre);
    }
}

void CKxDrawUScatterGraph::GetBounds(double minimum[3], double maximum[3])
{
    if (coordinateData != nullptr)
        WriteUnitBox(coordinateData->boundsMin, coordinateData->boundsMax, lengthFactor, minimum, maximum);
}

} // namespace velmor
