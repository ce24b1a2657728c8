#include "units/CKxDrawUPrimitive.h"

#include "units/PlainUnitDrawing.h"
#include "units/UnitBox.h"

#include <algorithm>

namespace velmor {
namespace {

bool IsOneOf(const std::wstring& s, std::initializer_list<const wchar_t*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const wchar_t* n) { return s == n; });
}

} // namespace

CKxDrawUPrimitive::CKxDrawUPrimitive(DrawGroup* ownerGroup) : CKxDrawUnit(ownerGroup) { note = L"Primitive"; }

void CKxDrawUPrimitive::Load()
{
    if (IsOneOf(shape, {L"point", L"line", L"bar"}))
        filled = false;
    const auto set = [this](float x, float y, float z) { radii[0] = x, radii[1] = y, radii[2] = z; };
    if (shape == L"bar")
        radii[0] = size[0];
    else if (IsOneOf(shape, {L"square", L"circle"}))
        radii[0] = radii[1] = size[0];
    else if (IsOneOf(shape, {L"rectangle", L"oval"}))
        radii[0] = size[0], radii[1] = size[1];
    else if (IsOneOf(shape, {L"cube", L"sphere"}))
        set(size[0], size[0], size[0]);
    else if (IsOneOf(shape, {L"cuboid", L"ellipsoid", L"cylinder"}))
        set(size[0], size[1], size[2]);
    else if (shape == L"cone")
        set(size[0], 0.0f, size[1]);
}

void CKxDrawUPrimitive::Draw(int pass)
{
    if (PlainUnitGL.drawPrimitive != nullptr)
        PlainUnitGL.drawPrimitive(*this, pass);
}

void CKxDrawUPrimitive::GetBounds(double minimum[3], double maximum[3])
{
    int corners = 0;   // points spanning the box; 0 for shapes around the centre
    if (shape == L"point") corners = 1;
    else if (shape == L"line") corners = 2;
    else if (shape == L"triangle") corners = 3;
    else if (marker) corners = 1;
    if (corners > 0) {
        float low[3], high[3];
        for (int i = 0; i < 3; ++i) {
            low[i] = high[i] = points[0][i];
            for (int p = 1; p < corners; ++p) {
                low[i] = std::min(low[i], points[p][i]);
                high[i] = std::max(high[i], points[p][i]);
            }
        }
        WriteUnitBox(low, high, lengthFactor, minimum, maximum);
        return;
    }
    const float largest = std::max({radii[0], radii[1], radii[2]});
    double half = 0.0;
    if (shape == L"bar") half = radii[0] / 2.0;
    else if (IsOneOf(shape, {L"square", L"rectangle"})) half = std::max(radii[0], radii[1]) / 2.0;
    else if (IsOneOf(shape, {L"circle", L"oval"})) half = std::max(radii[0], radii[1]);
    else if (IsOneOf(shape, {L"cube", L"cuboid"})) half = largest / 2.0;
    else if (IsOneOf(shape, {L"sphere", L"ellipsoid"})) half = largest;
    else if (IsOneOf(shape, {L"cone", L"cylinder"})) half = std::max({radii[0], radii[1], radii[2] / 2.0f});
    WriteCentredBox(points[0], half, lengthFactor, minimum, maximum);
}

} // namespace velmor
