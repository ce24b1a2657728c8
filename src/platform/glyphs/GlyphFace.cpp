#include "platform/glyphs/GlyphFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <utility>

namespace velmor {
namespace {

// A missing style is made up as desktop renderers make it: FreeType's own
// emboldening by a 24th of the em, and the slant fontconfig gives an oblique
// face (x gains a fifth of y).
constexpr FT_Pos kEmboldenPerEm = 24;
constexpr FT_Matrix kObliqueShear{0x10000, 0x10000 / 5, 0, 0x10000};

} // namespace

struct GlyphFace::Handles {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool embolden = false, slant = false;   // asked for, and not the face's own
    bool MakesUpStyle() const { return embolden || slant; }
    // Thickens and slants the outline in the glyph slot; `em` is in the slot's units.
    void MakeUpStyle(FT_Pos em) const
    {
        const FT_GlyphSlot slot = face->glyph;
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE)
            return;
        if (embolden) {
            const FT_Pos strength = em / kEmboldenPerEm;
            FT_Outline_Embolden(&slot->outline, strength);
            if (slot->advance.x != 0)
                slot->advance.x += strength;
        }
        if (slant)
            FT_Outline_Transform(&slot->outline, &kObliqueShear);
    }
    FT_Pos ScaledEm() const { return FT_MulFix(face->units_per_EM, face->size->metrics.y_scale); }
    ~Handles()
    {
        if (face != nullptr)
            FT_Done_Face(face);
        if (library != nullptr)
            FT_Done_FreeType(library);
    }
};

GlyphFace::GlyphFace(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}
GlyphFace::~GlyphFace() = default;

std::unique_ptr<GlyphFace> GlyphFace::Open(const FontFile& file, int cellHeight, FontStyle style)
{
    if (cellHeight == 0)
        return nullptr;
    auto handles = std::make_unique<Handles>();
    if (FT_Init_FreeType(&handles->library) != 0)
        return nullptr;
    if (FT_New_Face(handles->library, file.path.c_str(), file.index, &handles->face) != 0)
        return nullptr;
    FT_Select_Charmap(handles->face, FT_ENCODING_UNICODE);
    handles->embolden = style.bold && (handles->face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
    handles->slant = style.italic && (handles->face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
    FT_Size_RequestRec request{};
    request.type = cellHeight > 0 ? FT_SIZE_REQUEST_TYPE_CELL : FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.height = static_cast<FT_Long>(std::abs(cellHeight)) * 64;
    if (FT_Request_Size(handles->face, &request) != 0)
        return nullptr;
    return std::unique_ptr<GlyphFace>(new GlyphFace(std::move(handles)));
}

bool GlyphFace::RenderMono(char32_t character, MonoGlyph& glyph) const
{
    FT_Face face = handles_->face;
    const FT_UInt index = FT_Get_Char_Index(face, character);
    // A made-up style needs the outline, and changes it before it is rendered.
    const FT_Int32 noBitmap = handles_->MakesUpStyle() ? FT_LOAD_NO_BITMAP : 0;
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME | noBitmap) != 0)
        return false;
    const FT_GlyphSlot slot = face->glyph;
    handles_->MakeUpStyle(handles_->ScaledEm());
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0)
        return false;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph = MonoGlyph{};
    glyph.advance = slot->advance.x / 64.0;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO || bitmap.buffer == nullptr)
        return true;   // nothing to ink, only the advance
    glyph.width = static_cast<int>(bitmap.width);
    glyph.height = static_cast<int>(bitmap.rows);
    const int stride = glyph.Stride();
    glyph.rows.assign(static_cast<size_t>(stride) * glyph.height, 0);
    for (int row = 0; row < glyph.height; ++row) {
        const int sourceRow = glyph.height - 1 - row;   // FreeType counts from the top
        const uint8_t* source = bitmap.buffer + static_cast<ptrdiff_t>(sourceRow) * std::abs(bitmap.pitch);
        for (int b = 0; b < stride; ++b)
            glyph.rows[static_cast<size_t>(row) * stride + b] = source[b];
    }
    return true;
}

namespace {

struct Flattener {
    GlyphOutline* outline;
    double scale;   // font units to ems
    OutlinePoint last{0, 0};
    static constexpr int kCurveSteps = 8;

    void Add(double x, double y)
    {
        last = {x, y};
        outline->contours.back().push_back({x * scale, y * scale});
    }
    static Flattener& Of(void* user) { return *static_cast<Flattener*>(user); }
    static int MoveTo(const FT_Vector* to, void* user)
    {
        Flattener& f = Of(user);
        f.outline->contours.emplace_back();
        f.Add(to->x, to->y);
        return 0;
    }
    static int LineTo(const FT_Vector* to, void* user)
    {
        Of(user).Add(to->x, to->y);
        return 0;
    }
    static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
    {
        Flattener& f = Of(user);
        const OutlinePoint p0 = f.last;
        for (int i = 1; i <= kCurveSteps; ++i) {
            const double t = static_cast<double>(i) / kCurveSteps, u = 1 - t;
            f.Add(u * u * p0.x + 2 * u * t * control->x + t * t * to->x,
                  u * u * p0.y + 2 * u * t * control->y + t * t * to->y);
        }
        return 0;
    }
    static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
    {
        Flattener& f = Of(user);
        const OutlinePoint p0 = f.last;
        for (int i = 1; i <= kCurveSteps; ++i) {
            const double t = static_cast<double>(i) / kCurveSteps, u = 1 - t;
            const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
            f.Add(a * p0.x + b * c1->x + c * c2->x + d * to->x, a * p0.y + b * c1->y + c * c2->y + d * to->y);
        }
        return 0;
    }
};

// The tessellator hands out triangles only, since an edge-flag callback is set.
struct TessState {
    std::vector<OutlinePoint>* triangles;
    std::deque<OutlinePoint> made;   // points the tessellator adds where contours cross
};

void TessVertex(void* vertex, void* user)
{
    static_cast<TessState*>(user)->triangles->push_back(*static_cast<const OutlinePoint*>(vertex));
}
void TessEdgeFlag(GLboolean, void*) {}
void TessCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* user)
{
    auto* state = static_cast<TessState*>(user);
    state->made.push_back({coords[0], coords[1]});
    *out = &state->made.back();
}

using TessCallback = void (*)();

} // namespace

bool GlyphFace::Outline(char32_t character, GlyphOutline& outline) const
{
    FT_Face face = handles_->face;
    outline = GlyphOutline{};
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0)
        return false;
    const FT_UInt index = FT_Get_Char_Index(face, character);
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0)
        return false;
    const FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;
    handles_->MakeUpStyle(face->units_per_EM);
    Flattener flattener{&outline, 1.0 / face->units_per_EM};
    outline.advance = slot->advance.x * flattener.scale;
    const FT_Outline_Funcs funcs{&Flattener::MoveTo, &Flattener::LineTo, &Flattener::ConicTo, &Flattener::CubicTo, 0, 0};
    if (FT_Outline_Decompose(&slot->outline, &funcs, &flattener) != 0)
        return false;
    // Contours end where they began; the closing point is implied.
    for (auto& contour : outline.contours)
        if (contour.size() > 1 && contour.front().x == contour.back().x && contour.front().y == contour.back().y)
            contour.pop_back();
    outline.outerClockwise = FT_Outline_Get_Orientation(&slot->outline) != FT_ORIENTATION_POSTSCRIPT;
    TessellateOutline(outline, (slot->outline.flags & FT_OUTLINE_EVEN_ODD_FILL) != 0);
    return true;
}

void TessellateOutline(GlyphOutline& outline, bool evenOdd)
{
    outline.triangles.clear();
    GLUtesselator* tess = gluNewTess();
    if (tess == nullptr)
        return;
    TessState state{&outline.triangles, {}};
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<TessCallback>(&TessVertex));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<TessCallback>(&TessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<TessCallback>(&TessCombine));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, evenOdd ? GLU_TESS_WINDING_ODD : GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0, 0, 1);
    // The tessellator keeps the coordinates' addresses until the polygon ends.
    std::vector<std::array<GLdouble, 3>> coords;
    size_t total = 0;
    for (const auto& contour : outline.contours)
        total += contour.size();
    coords.reserve(total);
    gluTessBeginPolygon(tess, &state);
    for (auto& contour : outline.contours) {
        if (contour.size() < 3)
            continue;
        gluTessBeginContour(tess);
        for (OutlinePoint& p : contour) {
            coords.push_back({p.x, p.y, 0});
            gluTessVertex(tess, coords.back().data(), &p);
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    // A tessellation that failed part-way leaves no partial triangle.
    outline.triangles.resize(outline.triangles.size() / 3 * 3);
}

TextExtent GlyphFace::Measure(std::wstring_view text) const
{
    FT_Face face = handles_->face;
    TextExtent extent;
    extent.ascent = face->size->metrics.ascender / 64.0;
    extent.descent = -face->size->metrics.descender / 64.0;
    for (wchar_t c : text) {
        const FT_UInt index = FT_Get_Char_Index(face, static_cast<FT_ULong>(c));
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0)
            continue;
        handles_->MakeUpStyle(handles_->ScaledEm());
        extent.width += face->glyph->advance.x / 64.0;
    }
    return extent;
}

} // namespace velmor
