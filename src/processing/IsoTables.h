#pragma once
// Case tables of the iso-surface extraction, indexed by cube index (bit k
// set when corner k of the cell is inside). Written by
// scripts/make_iso_tables.py.
#include <cstdint>

namespace velmor {

// Per case: whether the cell's own x-, y- and z-edge is crossed.
extern const uint8_t IsoEdgeTable[256][3];
// Vertices a cell owns (the sum of its IsoEdgeTable flags).
extern const uint8_t IsoVertexCountTable[256];
// Triangles IsoTriangleTable row c emits.
extern const uint8_t IsoTriangleCountTable[256];
// 1 for the edges whose owning cell lies in the next slice of cells.
extern const uint8_t IsoEdgeSliceTable[12];
// Per case: strip count, each strip as its length and edges, lone triangle
// count and their edges, then -1 up to 15 bytes.
extern const int8_t IsoTriangleTable[256][15];

} // namespace velmor
