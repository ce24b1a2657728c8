#pragma once
// What the render, rotation and scale-bar tool windows ask of the view and
// its renderer. The view installs them when it creates the windows; until
// then a change is only written into the settings.
#include <cstdint>
#include <functional>
#include <string>

namespace velmor {

struct ViewToolView {
    // CVelmorView::RenderNow and RedrawIfIdle.
    std::function<void()> renderNow;
    std::function<void()> redrawIfIdle;
    // CVelmorView::RotateActivePane (angle in degrees, axis in pane
    // coordinates), after SceneRenderer::StoreRotationStart of that pane.
    std::function<void()> storeRotationStart;
    std::function<void(double, double, double, double)> rotateActivePane;
    // SceneRenderer::RefreshScaleBarDialog and RefreshUnitPanel (focus).
    std::function<void()> refreshScaleBarDialog;
    std::function<void(bool)> refreshUnitPanel;
    // RenderSettings::ApplyLightPosition, which moves the light to the
    // stored corner.
    std::function<void()> applyLightPosition;
    // CVelmorView::UpdateViewControls.
    std::function<void()> updateViewControls;
    // The active pane's root pitch and length unit, while the view shows
    // its frame and arrow with selection pattern 5 or 6; false otherwise.
    std::function<bool(double&, std::wstring&)> frameSize;
    // The view's home-button animation in frames.
    int32_t* homeAnimation = nullptr;
};

inline void CallIfSet(const std::function<void()>& f)
{
    if (f) f();
}

} // namespace velmor
