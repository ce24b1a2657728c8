#pragma once
// One font face opened with FreeType at a pixel height: monochrome glyph
// bitmaps for raster text, outlines (an em of 1.0) flattened and
// tessellated for solid text, and text extents.
#include "platform/glyphs/FontLookup.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace velmor {

// Rows from the bottom up, most significant bit first, (width + 7) / 8
// bytes a row: the layout glBitmap reads with an unpack alignment of 1.
struct MonoGlyph {
    int width = 0, height = 0;
    int left = 0;   // pen origin to the bitmap's left column
    int top = 0;    // baseline to the bitmap's top row
    double advance = 0;   // pixels
    std::vector<uint8_t> rows;
    int Stride() const { return (width + 7) / 8; }
    bool Ink(int x, int y) const   // y from the bottom row
    {
        return (rows[static_cast<size_t>(y) * Stride() + x / 8] >> (7 - x % 8)) & 1;
    }
};

struct OutlinePoint {
    double x, y;
};
// Closed contours in ems, and the triangles filling them (counter-clockwise
// seen from +z) as consecutive corner triples.
struct GlyphOutline {
    std::vector<std::vector<OutlinePoint>> contours;
    std::vector<OutlinePoint> triangles;
    double advance = 0;   // ems
    // TrueType outer contours run clockwise, PostScript ones the other way.
    bool outerClockwise = true;
};

struct TextExtent {
    double width = 0;    // pixels, the sum of the advances
    double ascent = 0;   // pixels above the baseline
    double descent = 0;  // pixels below it, positive
};

class GlyphFace {
public:
    // `cellHeight` as a Windows font height: positive the whole cell (ascent
    // and descent), negative the em alone; nothing for 0 or a file FreeType
    // cannot read. A bold or italic `style` the face is not drawn in itself
    // is made up: strokes thickened by a 24th of the em, glyphs slanted by
    // a fifth of their height.
    static std::unique_ptr<GlyphFace> Open(const FontFile& file, int cellHeight, FontStyle style = {});
    ~GlyphFace();
    GlyphFace(const GlyphFace&) = delete;
    GlyphFace& operator=(const GlyphFace&) = delete;

    // False when the face cannot load the character; a space gives an empty
    // bitmap with its advance.
    bool RenderMono(char32_t character, MonoGlyph& glyph) const;
    bool Outline(char32_t character, GlyphOutline& outline) const;
    TextExtent Measure(std::wstring_view text) const;

private:
    struct Handles;
    explicit GlyphFace(std::unique_ptr<Handles> handles);
    std::unique_ptr<Handles> handles_;
};

// Fills `outline.triangles` from its contours by the non-zero winding rule,
// or the odd-even rule when `evenOdd`.
void TessellateOutline(GlyphOutline& outline, bool evenOdd);

} // namespace velmor
