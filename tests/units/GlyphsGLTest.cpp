#include "platform/glyphs/FontLookup.h"
#include "platform/glyphs/GlyphFace.h"
#include "support/gl/HeadlessGL.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace velmor;

namespace {

double SignedArea(const std::vector<OutlinePoint>& ring)
{
    double area = 0;
    for (size_t i = 0; i < ring.size(); ++i) {
        const OutlinePoint& a = ring[i];
        const OutlinePoint& b = ring[(i + 1) % ring.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2;
}

double TriangleArea(const std::vector<OutlinePoint>& t)
{
    double area = 0;
    for (size_t i = 0; i + 2 < t.size(); i += 3)
        area += SignedArea({t[i], t[i + 1], t[i + 2]});
    return area;
}

std::unique_ptr<GlyphFace> OpenGothic(int height)
{
    const auto file = FindFontFile(L"ＭＳ ゴシック", false, false);
    return file ? GlyphFace::Open(*file, height) : nullptr;
}

} // namespace

TEST(FontLookupTest, WindowsFacesFindAJapaneseFont)
{
    EXPECT_EQ(AliasFamily(L"ＭＳ ゴシック"), "IPAGothic");
    EXPECT_EQ(AliasFamily(L"ＭＳ Ｐゴシック"), "IPAPGothic");
    EXPECT_EQ(AliasFamily(L"Arial"), "");
    for (const wchar_t* face : {L"ＭＳ ゴシック", L"MS PGothic", L"NoSuchFace", L""}) {
        const auto file = FindFontFile(face, false, false);
        ASSERT_TRUE(file.has_value()) << "no font for a Windows face";
        EXPECT_TRUE(OpenGothic(16) != nullptr);
        // Whatever the face, the font covers kana.
        const auto face16 = GlyphFace::Open(*file, 16);
        ASSERT_TRUE(face16);
        GlyphOutline outline;
        EXPECT_TRUE(face16->Outline(U'あ', outline));
        EXPECT_FALSE(outline.triangles.empty());
    }
}

TEST(GlyphFaceTest, MonoBitmapsHaveInkAndAdvance)
{
    const auto face = OpenGothic(32);
    ASSERT_TRUE(face);
    MonoGlyph glyph;
    ASSERT_TRUE(face->RenderMono(U'口', glyph));
    EXPECT_GT(glyph.width, 16);
    EXPECT_LE(glyph.height, 32);
    EXPECT_NEAR(glyph.advance, 28, 6);
    EXPECT_EQ(glyph.rows.size(), static_cast<size_t>(glyph.Stride() * glyph.height));
    // The box of 口: a row near its bottom is inked edge to edge, its middle is empty.
    int bottomInk = 0;
    for (int x = 0; x < glyph.width; ++x)
        bottomInk += glyph.Ink(x, 1) || glyph.Ink(x, 2) || glyph.Ink(x, 3) || glyph.Ink(x, 4);
    EXPECT_GT(bottomInk, glyph.width * 3 / 4);
    EXPECT_FALSE(glyph.Ink(glyph.width / 2, glyph.height / 2));

    ASSERT_TRUE(face->RenderMono(U' ', glyph));
    EXPECT_TRUE(std::all_of(glyph.rows.begin(), glyph.rows.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_GT(glyph.advance, 0);

    const TextExtent extent = face->Measure(L"口口");
    EXPECT_GT(extent.ascent + extent.descent, 24);
    EXPECT_NEAR(extent.width, 2 * face->Measure(L"口").width, 1e-9);
    EXPECT_EQ(GlyphFace::Open({"/nonexistent/font.ttf", 0}, 16), nullptr);
    EXPECT_EQ(GlyphFace::Open(*FindFontFile(L"MS Gothic", false, false), 0), nullptr);
}

TEST(GlyphFaceTest, OutlinesAreInEmsAndTheirTrianglesCoverTheGlyph)
{
    const auto face = OpenGothic(16);
    ASSERT_TRUE(face);
    GlyphOutline outline;
    ASSERT_TRUE(face->Outline(U'口', outline));
    ASSERT_EQ(outline.contours.size(), 2u);   // the frame and its hole
    EXPECT_NEAR(outline.advance, 1.0, 0.01);   // a full-width character
    double contourArea = 0;
    for (const auto& ring : outline.contours)
        contourArea += SignedArea(ring);
    EXPECT_GT(std::abs(contourArea), 0.05);
    // The frame's turning sense is the one the extruded sides are lit by.
    const double frame = std::abs(SignedArea(outline.contours[0])) > std::abs(SignedArea(outline.contours[1]))
                             ? SignedArea(outline.contours[0])
                             : SignedArea(outline.contours[1]);
    EXPECT_EQ(outline.outerClockwise, frame < 0);
    // Counter-clockwise triangles with the area of the frame minus its hole.
    EXPECT_NEAR(TriangleArea(outline.triangles), std::abs(contourArea), 1e-9);
}

TEST(GlyphFaceTest, TessellationFillsBetweenContours)
{
    GlyphOutline square;
    square.contours = {{{0, 0}, {0, 2}, {2, 2}, {2, 0}}, {{0.5, 0.5}, {1.5, 0.5}, {1.5, 1.5}, {0.5, 1.5}}};
    TessellateOutline(square, false);
    EXPECT_EQ(square.triangles.size(), 8u * 3);
    EXPECT_NEAR(TriangleArea(square.triangles), 3.0, 1e-12);
    // Under the odd-even rule a hole running the same way is still a hole.
    square.contours[1] = {{0.5, 0.5}, {0.5, 1.5}, {1.5, 1.5}, {1.5, 0.5}};
    TessellateOutline(square, true);
    EXPECT_NEAR(TriangleArea(square.triangles), 3.0, 1e-12);
    square.contours = {{{0, 0}, {1, 1}}};   // too short to enclose anything
    TessellateOutline(square, false);
    EXPECT_TRUE(square.triangles.empty());
}

// A face that is bold itself (DejaVu Sans comes with fontconfig) is not thickened again.
TEST(GlyphFaceTest, OnlyAStyleTheFaceLacksIsMadeUp)
{
    const auto file = FindFontFile(L"DejaVu Sans", true, false);
    ASSERT_TRUE(file.has_value());
    MonoGlyph asIs, asked;
    ASSERT_TRUE(GlyphFace::Open(*file, 32)->RenderMono(U'H', asIs));
    ASSERT_TRUE(GlyphFace::Open(*file, 32, {true, false})->RenderMono(U'H', asked));
    EXPECT_EQ(asked.rows, asIs.rows);
    EXPECT_EQ(asked.advance, asIs.advance);
}
