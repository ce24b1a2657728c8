#include "units/PlainUnitDrawing.h"

#include "render/GeometryRoutines.h"
#include "render/RenderSettings.h"
#include "render/Tessellation.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace velmor {

PlainUnitDrawing PlainUnitGL;

bool PlainUnitMayDraw(const CKxDrawUnit& unit, int pass)
{
    return !unit.hidden && CurrentRenderSettings().drawingClippedPart == 0 && pass >= 1 && pass <= 3;
}

bool DrawsInPass(bool opaque, int pass)
{
    return (pass == 1 && opaque) || (pass == 2 && !opaque) || (pass == 3 && opaque);
}

PrimitiveShape ParsePrimitiveShape(const std::wstring& name)
{
    static const std::pair<const wchar_t*, PrimitiveShape> kNames[] = {
        {L"point", PrimitiveShape::Point},   {L"line", PrimitiveShape::Line},
        {L"triangle", PrimitiveShape::Triangle}, {L"bar", PrimitiveShape::Bar},
        {L"square", PrimitiveShape::Square}, {L"circle", PrimitiveShape::Circle},
        {L"rectangle", PrimitiveShape::Rectangle}, {L"oval", PrimitiveShape::Oval},
        {L"cube", PrimitiveShape::Cube},     {L"sphere", PrimitiveShape::Sphere},
        {L"cuboid", PrimitiveShape::Cuboid}, {L"ellipsoid", PrimitiveShape::Ellipsoid},
        {L"cone", PrimitiveShape::Cone},     {L"cylinder", PrimitiveShape::Cylinder},
    };
    for (const auto& [text, shape] : kNames)
        if (name == text)
            return shape;
    return PrimitiveShape::None;
}

bool IsPointShape(PrimitiveShape shape)
{
    return shape == PrimitiveShape::Point || shape == PrimitiveShape::Line || shape == PrimitiveShape::Triangle;
}

std::vector<Point2> EllipseRim(double a, double b, int32_t count)
{
    const int32_t segments = BoundedDivisions(count);
    std::vector<Point2> rim;
    if (segments < 1)
        return rim;
    rim.reserve(static_cast<size_t>(segments) + 1);
    for (int32_t k = 0; k <= segments; ++k) {
        const double angle = 2.0 * std::numbers::pi * (k % segments) / segments;
        rim.push_back({a * std::cos(angle), b * std::sin(angle)});
    }
    return rim;
}

std::vector<Point2> WireEllipseSegments(double a, double b, const int32_t parameter[4])
{
    const int32_t spokes = BoundedDivisions(parameter[1]), rings = BoundedDivisions(parameter[2]);
    std::vector<Point2> lines;
    for (const Point2& end : EllipseRim(a, b, spokes)) {
        if (lines.size() / 2 == static_cast<size_t>(spokes))
            break;   // the rim's closing point repeats the first spoke
        lines.push_back({0, 0});
        lines.push_back(end);
    }
    for (int32_t k = 1; k <= rings; ++k) {
        const double f = static_cast<double>(k) / rings;
        const std::vector<Point2> ring = EllipseRim(a * f, b * f, parameter[0]);
        for (size_t i = 1; i < ring.size(); ++i) {
            lines.push_back(ring[i - 1]);
            lines.push_back(ring[i]);
        }
    }
    return lines;
}

void UnitPointPosition(const CKxDrawUnit& unit, const float point[3], double out[3])
{
    const bool mainLayer = unit.owner != nullptr && unit.owner->layer == 1;
    for (int i = 0; i < 3; ++i) {
        if (!mainLayer) {
            out[i] = point[i];
            continue;
        }
        const double centre = unit.topGroup != nullptr ? unit.topGroup->centre[i] : 0.0;
        out[i] = unit.translation[i] + unit.scale[i] * (point[i] - unit.pivot[i] - centre);
    }
}

double HalfSmallerSide(const int32_t viewport[4])
{
    return std::min(viewport[2], viewport[3]) / 2.0;
}

void FixPointWindow(const float fixPoint[3], const int32_t viewport[4], double out[3])
{
    const double m = HalfSmallerSide(viewport);
    // The viewport's origin is added so that panes beside the first one
    // find their own centre.
    out[0] = viewport[0] + viewport[2] / 2.0 + fixPoint[0] * m;
    out[1] = viewport[1] + viewport[3] / 2.0 + fixPoint[1] * m;
    out[2] = fixPoint[2];
}

ConnectorPath MakeConnectorPath(const double screenEnd[3], const float sceneEnd[3])
{
    ConnectorPath path{};
    double d[3];
    for (int i = 0; i < 3; ++i) {
        d[i] = sceneEnd[i] - screenEnd[i];
        path.midpoint[i] = (sceneEnd[i] + screenEnd[i]) / 2.0;
    }
    const double zAxis[3] = {0, 0, 1};
    path.length = VecLength3d(d);
    UnitCrossProduct3d(zAxis, d, path.axis);
    path.angleDegrees = 180.0 / std::numbers::pi * VecAngle3d(zAxis, d);
    return path;
}

TextFont MakeTextFont(float fontSize, bool bold, bool italic, const std::wstring& fontName)
{
    TextFont font;
    // Every character's bitmap is copied into its display list: a size far
    // beyond any screen must neither overflow the conversion nor fill the
    // video memory with up to 511 huge bitmaps.
    // A size that is no number at all draws at the default instead of not at all.
    const float size = std::isfinite(fontSize) ? fontSize : kDefaultFontHeight;
    font.height = static_cast<int32_t>(std::clamp(size, -kMaxFontHeight, kMaxFontHeight));
    font.weight = bold ? 700 : 400;
    font.italic = italic ? 1 : 0;
    font.faceName = fontName.substr(0, TextFont::kFaceChars - 1);
    return font;
}

std::wstring LimitedText(const std::wstring& text)
{
    return text.substr(0, kMaxTextChars);
}

} // namespace velmor
