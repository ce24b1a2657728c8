#include "dialogs/MeshClipControls.h"

#include "units/CKxDrawUTriangles.h"

#include <cmath>

namespace velmor {

int OpacityPercent(float opacity) { return static_cast<int>(std::lround(static_cast<double>(opacity) * 100.0)); }

ClipControlState ComputeClipControls(const CKxDrawUTriangles& unit, bool paneClipOn, bool clipCap,
                                     bool transparencyClip)
{
    ClipControlState state;
    if (paneClipOn && clipCap && unit.IsRenderingTypeABE()) {
        state.capCheckEnabled = true;
        state.capForcedOff = !unit.innerDraw;
        state.sectionButtonsEnabled = unit.innerDraw && unit.capTextured;
    }
    if (paneClipOn && transparencyClip && unit.IsRenderingTypeAE()) {
        state.translucentCheckEnabled = true;
        state.translucentForcedOff = !unit.translucentClip;
        if (unit.translucentClip) {
            state.translucentControlsEnabled = true;
            state.renderingType = unit.translucentType;
            state.opacityPercent = OpacityPercent(unit.translucentOpacity);
        }
    }
    return state;
}

} // namespace velmor
