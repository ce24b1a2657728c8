#pragma once
// The arithmetic of a space's coordinate normalisation, apart from the group
// walks that gather the box, so that it can be checked on its own.

namespace velmor {

// Largest finite double: the start of an empty box.
inline constexpr double kEmptyBoxStart = 1.7976931348623157e308;

// From the box of a space's units, per axis the scale and the offset that
// make the largest side 2 long and centre it (normalize[i] true), or that map
// [d0, d1] onto [d2, d3] (rangeMap[i]). A mapped axis whose ends coincide has
// no scale and is normalised like the others. An empty box (min x still
// kEmptyBoxStart) changes nothing and gives false. A box without extent
// grows by 1 on every side first, so `min` and `max` may change; `extent`
// receives the largest side.
bool NormalizeBox(double min[3], double max[3], const bool normalize[3], const double rangeMap[3][4], double scale[3],
                  double offset[3], double& extent);

// A round scale-bar length for a space of largest side `extent`: 0.2, 0.5 or
// 1 times a power of ten from 1e-8 to 1e7; 1 when none fits.
double NiceScaleBarLength(double extent);

} // namespace velmor
