#include "render/ScaleBar.h"

#include "processing/MaterialPresets.h"
#include "render/SceneRenderer.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUText.h"
#include "units/DrawGroup.h"

namespace velmor {

namespace {

// A unit of the bar's own group, in its millimetre space, painted white.
template <typename Unit> void PrepareBarUnit(Unit& unit, DrawGroup& group)
{
    unit.topGroup = &group;
    unit.lengthUnit = group.lengthUnit;
    unit.UpdateUnitScale();
    unit.TakeSpaceTransform();
    ColorFrom255(unit.material.ambient, 255, 255, 255, 255);
}

} // namespace

void DrawScaleBar(double paneZoom)
{
    SceneRenderer* renderer = CurrentSceneRenderer();
    if (renderer == nullptr) return;
    const ScenePane* active = renderer->Pane(renderer->activeSpace);
    if (active == nullptr || active->root == nullptr) return;
    const ScaleBarLayout bar = LayOutScaleBar(*renderer, active->root->lengthUnit, active->root->extent, paneZoom);
    if (!bar.shown) return;

    // Built for this frame only, in a space that is not normalised.
    DrawGroup group(L"scale");
    group.lengthUnit = L"mm";
    CKxDrawUText label(&group);
    PrepareBarUnit(label, group);
    label.coordinate[0] = bar.x0;
    label.coordinate[1] = bar.labelY;
    label.coordinate[2] = bar.z;
    label.fontSize = 16.0f;
    label.mode = 0;
    label.text = bar.label;
    label.Load();
    CKxDrawUPrimitive line(&group);
    PrepareBarUnit(line, group);
    line.shape = L"line";
    line.filled = false;
    line.pixelSize = 5.0f;
    const float ends[2][3] = {{bar.x0, bar.y, bar.z}, {bar.x1, bar.y, bar.z}};
    for (int p = 0; p < 2; ++p)
        for (int i = 0; i < 3; ++i) line.points[p][i] = ends[p][i];
    line.Load();
    label.Draw(1);
    line.Draw(1);
    label.Release();
    line.Release();
}

} // namespace velmor
