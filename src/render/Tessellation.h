#pragma once
// Bounds of the counts that divide round shapes (circles, ovals, spheres,
// ellipsoids, cones, cylinders, scatter-graph markers) into pieces. The
// counts come from scenes and dialogs and every piece is drawn again on every
// frame, so larger counts are drawn as these: finer pieces would not show,
// but would make each frame as slow as the count asks.
#include <algorithm>

namespace velmor {

// Any one count of a shape: at most about 16,000 quads for the finest sphere.
constexpr int kMostShapeDivisions = 128;
// A scatter graph draws one sphere per point.
constexpr int kMostMarkerDivisions = 32;

constexpr int BoundedDivisions(int count, int most = kMostShapeDivisions) { return std::min(count, most); }

} // namespace velmor
