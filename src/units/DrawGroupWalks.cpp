// The walks of the group tree that need no GL.
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"
#include "units/GroupWalk.h"
#include "units/SpaceNormalization.h"
#include "render/GeometryRoutines.h"
#include "render/RenderSettings.h"

#include <algorithm>
#include <string_view>

namespace velmor {

void (*InvalidateMeshClipCap)(CKxDrawUnit& meshUnit) = nullptr;

namespace {

// Calls `act` on every unit of every group of the subtree that has units and
// passes `wanted`.
template <typename Wanted, typename Act>
void ForUnitsOf(DrawGroup& root, Wanted wanted, Act act)
{
    WalkGroups(root, [&](DrawGroup& group) {
        if (group.HasUnits() && wanted(group))
            for (CKxDrawUnit* unit : group.units)
                act(*unit);
    });
}

bool Always(const DrawGroup&) { return true; }
bool Shown(const DrawGroup& group) { return group.AnySpaceFlag(); }
bool ShownInMainLayer(const DrawGroup& group) { return group.layer == 1 && group.AnySpaceFlag(); }

} // namespace

bool DrawGroup::AnySpaceFlag() const { return std::any_of(std::begin(spaceFlags), std::end(spaceFlags), [](bool f) { return f; }); }

bool DrawGroup::IsInTimeRange() const
{
    const float now = CurrentRenderSettings().currentTime;
    return (timeStart == -1 || timeStart <= now) && (timeEnd == -1 || now <= timeEnd);
}

void DrawGroup::GetTimeRange(float& start, float& end)
{
    WalkGroups(*this, [&](DrawGroup& group) {
        if (!group.HasUnits())
            return;
        if (group.timeStart != -1)
            start = std::min(start, group.timeStart);
        if (group.timeEnd != -1)
            end = std::max(end, group.timeEnd);
    });
}

void DrawGroup::SetSpaceFlag(int code)
{
    WalkGroups(*this, [code](DrawGroup& group) {
        if (!group.HasUnits())
            return;
        if (code == kClearPaneSpaces)
            std::fill(group.spaceFlags, group.spaceFlags + kPaneSpaces, false);
        else if (code >= kSetActiveSpace && code <= kSetSelectionSpace)
            group.spaceFlags[code - kSetActiveSpace] = true;
        else if (code >= kClearActiveSpace && code <= kClearSelectionSpace)
            group.spaceFlags[code - kClearActiveSpace] = false;
    });
}

void DrawGroup::DeleteUnits()
{
    for (CKxDrawUnit* unit : units)
        delete unit;
    units.clear();
}

void DrawGroup::ReleaseInactive()
{
    WalkGroups(*this, [](DrawGroup& group) {
        if (!group.HasUnits() || group.AnySpaceFlag() || !group.loaded)
            return;
        for (CKxDrawUnit* unit : group.units)
            unit->Release();
        group.loaded = false;
    });
}

void DrawGroup::LoadActive()
{
    WalkGroups(*this, [](DrawGroup& group) {
        if (!group.HasUnits() || !group.AnySpaceFlag() || group.loaded)
            return;
        group.loaded = true;
        for (CKxDrawUnit* unit : group.units)
            unit->Load();
    });
}

bool DrawGroup::FreeOneGLBuffer(bool state)
{
    if (!HasUnits() || loaded != state)
        return false;
    for (CKxDrawUnit* unit : units)
        if (unit->FreeGLBuffers())
            return true;
    return false;
}

void DrawGroup::FreeWorkIfUnloaded()
{
    if (!HasUnits() || loaded)
        return;
    for (CKxDrawUnit* unit : units)
        unit->FreeWork();
}

void DrawGroup::TakeSpaceTransformAll()
{
    ForUnitsOf(*this, ShownInMainLayer, [](CKxDrawUnit& unit) { unit.TakeSpaceTransform(); });
}

void DrawGroup::GetBounds(double minimum[3], double maximum[3])
{
    ForUnitsOf(*this, ShownInMainLayer, [&](CKxDrawUnit& unit) {
        // A unit whose load failed has no data to measure.
        if (!unit.valid)
            return;
        double low[3] = {kEmptyBoxStart, kEmptyBoxStart, kEmptyBoxStart};
        double high[3] = {-kEmptyBoxStart, -kEmptyBoxStart, -kEmptyBoxStart};
        unit.GetBounds(low, high);
        for (int i = 0; i < 3; ++i) {
            minimum[i] = std::min(minimum[i], low[i]);
            maximum[i] = std::max(maximum[i], high[i]);
        }
    });
}

void DrawGroup::UpdateUnitScales()
{
    ForUnitsOf(*this, Shown, [](CKxDrawUnit& unit) { unit.UpdateUnitScale(); });
}

void DrawGroup::FindLargestLengthUnit(int& code)
{
    ForUnitsOf(*this, ShownInMainLayer, [&](CKxDrawUnit& unit) { code = std::max(code, LengthUnitCode(unit.lengthUnit)); });
}

void DrawGroup::SetTopGroup(DrawGroup* top)
{
    ForUnitsOf(*this, Shown, [top](CKxDrawUnit& unit) { unit.topGroup = top; });
}

void DrawGroup::FindVolumeUnit(CKxDrawUnit*& found)
{
    ForUnitsOf(*this, Always, [&](CKxDrawUnit& unit) {
        if (unit.Kind() == UnitKind::kVolume)
            found = &unit;
    });
}

void DrawGroup::FindSurfaceUnit(CKxDrawUnit*& found)
{
    ForUnitsOf(*this, Always, [&](CKxDrawUnit& unit) {
        if (unit.Kind() == UnitKind::kSurface)
            found = &unit;
    });
}

void DrawGroup::InvalidateClipCaps()
{
    ForUnitsOf(*this, Shown, [](CKxDrawUnit& unit) {
        if (unit.valid && InvalidateMeshClipCap != nullptr && IsMeshKind(unit.Kind()))
            InvalidateMeshClipCap(unit);
    });
}

void DrawGroup::CollectUnits(std::vector<CKxDrawUnit*>& collected)
{
    ForUnitsOf(*this, Always, [&](CKxDrawUnit& unit) { collected.push_back(&unit); });
}

void DrawGroup::CollectMeshUnits(std::vector<CKxDrawUnit*>& collected)
{
    ForUnitsOf(*this, Always, [&](CKxDrawUnit& unit) {
        if (!unit.hidden && IsMeshKind(unit.Kind()))
            collected.push_back(&unit);
    });
}

void DrawGroup::ResetNormalization()
{
    lengthUnit = L"mm";
    SetTopGroup(this);
    UpdateUnitScales();
    for (int i = 0; i < 3; ++i) {
        scale[i] = 1.0;
        offset[i] = 0.0;
        translation[i] = 0.0;
    }
    TakeSpaceTransformAll();
}

void DrawGroup::ComputeNormalization(bool publish)
{
    double minimum[3] = {kEmptyBoxStart, kEmptyBoxStart, kEmptyBoxStart};
    double maximum[3] = {-kEmptyBoxStart, -kEmptyBoxStart, -kEmptyBoxStart};
    int code = 0;
    FindLargestLengthUnit(code);
    static const wchar_t* const names[] = {L"", L"um", L"mm", L"cm", L"m"};
    lengthUnit = names[code];
    SetTopGroup(this);
    UpdateUnitScales();
    GetBounds(minimum, maximum);
    RenderSettings& settings = CurrentRenderSettings();
    if (publish)
        settings.scaleBarAvailable = 0;
    double e = 0.0;
    if (!NormalizeBox(minimum, maximum, normalize, rangeMap, scale, offset, e))
        return;
    std::fill(translation, translation + 3, 0.0);
    InvalidateClipCaps();
    TakeSpaceTransformAll();
    extent = e;
    if (!publish)
        return;
    std::copy(minimum, minimum + 3, settings.sceneBoxMin);
    std::copy(maximum, maximum + 3, settings.sceneBoxMax);
    if (lengthUnit.empty())
        return;
    settings.scaleBarAvailable = 1;
    if (!settings.scaleBarChanged) {
        settings.scaleBarLength = static_cast<float>(NiceScaleBarLength(e));
        settings.scaleBarUnit = lengthUnit;
    }
}

} // namespace velmor
