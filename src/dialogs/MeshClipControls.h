#pragma once
// Which cut-section controls of the mesh dialogs are usable and what they
// show: the cap group needs a clipping pane, capped sections and a unit of
// rendering type "A", "B" or "E"; the translucency group a clipping pane,
// translucent clipped parts and type "A" or "E". No Qt.
#include <string>

namespace velmor {

class CKxDrawUTriangles;

struct ClipControlState {
    bool capCheckEnabled = false;
    bool capForcedOff = false;           // meaningful while the check is enabled
    bool sectionButtonsEnabled = false;  // colour scale and section image
    bool translucentCheckEnabled = false;
    bool translucentForcedOff = false;   // meaningful while the check is enabled
    bool translucentControlsEnabled = false;
    std::wstring renderingType;          // shown while the controls are enabled
    int opacityPercent = 0;
};

ClipControlState ComputeClipControls(const CKxDrawUTriangles& unit, bool paneClipOn, bool clipCap,
                                     bool transparencyClip);

// The opacity edit's percentage, rounded to the nearest integer.
int OpacityPercent(float opacity);

} // namespace velmor
