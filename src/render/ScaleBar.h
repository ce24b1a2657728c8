#pragma once
// The scale bar of orthographic panes: where it lies (no GL), and its
// drawing into the fore layer of the pane being rendered (GL).
#include <string>

namespace velmor {

struct RenderSettings;

// Where a pane draws the bar and its label, in pane units: the bar from
// (x0, y) to (x1, y) at depth z, the label's reference point above its
// left end.
struct ScaleBarLayout {
    bool shown = false;
    float x0 = 0, y = 0, x1 = 0, z = 0.95f;
    float labelY = 0;
    std::wstring label;
};

// The bar of `settings` in a pane whose root group has `rootUnit` and
// `rootPitch` (the size its normalisation fits into two pane units) and is
// zoomed by `paneZoom`.
ScaleBarLayout LayOutScaleBar(const RenderSettings& settings, const std::wstring& rootUnit, double rootPitch,
                              double paneZoom);

// GL: draws the bar of the current renderer's active space, when shown, as
// a white line and its length label, with the fore layer's projection set.
void DrawScaleBar(double paneZoom);

} // namespace velmor
