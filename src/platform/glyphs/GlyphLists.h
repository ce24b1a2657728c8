#pragma once
// Display lists of glyphs, one per character, laid out as consecutive lists
// from a base: raster glyphs that advance the raster position, and solid
// glyphs (front face at z = 0, extruded towards -z) that advance the
// model-view matrix by one advance in ems.
#include <cstdint>
#include <string_view>

namespace velmor {

class GlyphFace;

// Both compile list base + i for character i; a character the face lacks
// gets an empty list so that the numbering holds.
void BuildBitmapLists(const GlyphFace& face, std::wstring_view text, uint32_t base);
void BuildOutlineLists(const GlyphFace& face, std::wstring_view text, uint32_t base, float extrusion);

} // namespace velmor
