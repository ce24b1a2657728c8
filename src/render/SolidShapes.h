#pragma once
// Immediate-mode solids shared by the primitive units, the axis handle and
// the guide lines, centred at the origin.

namespace velmor {

// Edge lengths x, y, z; solid faces or the twelve edges.
void DrawBox(const double size[3], bool solid);
// size: bottom radius, top radius, height along z; counts: segments, wire
// lines from bottom to top, wire rings. Nothing for counts below 1 (wire
// lines may be 0: rings only).
void DrawCylinder(const double size[3], const int counts[3], bool solid);
// counts: segments around z and from pole to pole for the solid, the same
// for the wire lines. Nothing for counts below 1.
void DrawEllipsoid(const double radii[3], const int counts[4], bool solid);

} // namespace velmor
