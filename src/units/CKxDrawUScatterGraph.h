#pragma once
// A point set drawn as GL points or small spheres, optionally coloured per
// point, shown as a time series and clickable point by point (scene element
// "scatterGraph").
#include "scene/LoadStatus.h"
#include "units/CKxDrawUnit.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmor {

class DataObject;

struct ScatterTimeBin {
    int32_t first = 0;   // index of the bin's first point
    int32_t count = 0;
};

// The points one draw covers.
struct ScatterRange {
    int32_t first = 0;
    int32_t count = 0;
};

class CKxDrawUScatterGraph : public CKxDrawUnit {
public:
    explicit CKxDrawUScatterGraph(DrawGroup* owner);
    // Acquires the points (and colours), builds the colours and the time
    // bins; a failure is shown and leaves the unit released and invalid.
    void Load() override;
    void Release() override;
    // GL points or spheres in pass 1, pick colours in pass 3.
    void Draw(int pass) override;
    // The coordinate data's box; nothing without data.
    void GetBounds(double minimum[3], double maximum[3]) override;
    std::wstring& GetClassName(std::wstring& name) override { return name = L"CKxDrawUScatterGraph"; }
    UnitKind Kind() const override { return UnitKind::kScatterGraph; }

    // All points, or those of the current time's bin; empty when the time
    // selects no bin.
    ScatterRange DrawRange() const;
    // Whether `pass` sets a colour, material or pick id for every point.
    bool DrawsPointByPoint(int pass) const;
    // The entries that belong to point i: its own in point-by-point mode,
    // the graph's single entry otherwise. A point past the end of the event
    // list has no pick id (nullptr) and is never highlighted.
    bool IsHighlighted(int32_t i, bool pointByPoint) const;
    uint32_t* PickIdOf(int32_t i, bool pointByPoint);
    const float* AmbientOf(int32_t i) const;
    const float* DiffuseOf(int32_t i) const;
    // Where a sphere of point i is drawn: the unit transform applied by
    // hand, so that the marker's size stays in view units.
    void MarkerPosition(int32_t i, double out[3]) const;

    // GL layer.
    void DrawPoints(int pass, ScatterRange range);
    void DrawSpheres(int pass, ScatterRange range);

    std::wstring markerShape;   // "point": GL points; anything else: spheres
    float markerSize = 1.0f;
    int32_t markerParameter[2] = {8, 4};   // sphere slices and stacks
    DataObject* coordinateData = nullptr;
    int32_t pointCount = 0;
    float ambientDiffuseBalance[2] = {1.0f, 0.0f};
    bool hasTime = false;
    float timeSeries[3] = {0.0f, 1.0f, 1.0f};   // start, end, step
    std::vector<ScatterTimeBin> timeBins;
    DataObject* colorData = nullptr;
    // Parallel: one entry for the whole graph, or one per point.
    std::vector<uint32_t> pickIds = std::vector<uint32_t>(1, 0);
    std::vector<SceneEvent*> events = std::vector<SceneEvent*>(1, nullptr);
    std::vector<uint8_t> eventFlags = std::vector<uint8_t>(1, 0);
    const float* samples = nullptr;
    std::vector<float> ambientColors;   // three per point, or one colour
    std::vector<float> diffuseColors;
    int32_t components = 0;   // floats per coordinate record

private:
    // The steps of the load, in order.
    LoadStatus AcquireAll();
    LoadStatus BuildColors();
    LoadStatus BuildTimeBins();
};

} // namespace velmor
