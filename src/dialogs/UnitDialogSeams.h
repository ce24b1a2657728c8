#pragma once
// What the surface, mesh and volume dialogs ask of the view, the renderer,
// the unit panel and the data-preference dialogs. The view installs the real
// ones once it has panes and a renderer; until then redraws do nothing, the
// pane does not clip and the data-preference dialogs count as cancelled.
#include <functional>

class QWidget;

namespace velmor {

class CVelmorView;
class DataObject;
class CKxDrawUSurfaceR;

struct UnitDialogSeams {
    // CVelmorView::RenderNow.
    std::function<void()> renderNow;
    // The unit dialogs return the view to ViewMode 1 when they hide; the
    // default writes the view's mode.
    std::function<void(int)> setViewMode;
    // CVelmorView::LockControls (0) and UnlockControls (window, menu byte).
    std::function<void()> lockControls;
    std::function<void(QWidget*, bool)> unlockControls;
    // The current pane's clip-plane switch.
    std::function<bool()> currentPaneClipOn;
    // ScenePane::ResetRotationCentre then ScenePane::UpdateRoot on the
    // current pane.
    std::function<void()> resetCurrentPane;
    // SceneRenderer::RefreshUnitPanel (focus flag).
    std::function<void(bool)> refreshUnitPanel;
    // SceneRenderer::RefreshScaleBarDialog.
    std::function<void()> refreshScaleBarDialog;
    // The modal voxel and array data-preference dialogs; true on OK.
    std::function<bool(DataObject&)> runVoxelDataDialog;
    std::function<bool(DataObject&)> runArrayDataDialog;
    // The modal colour-scale dialog of a surface unit; true when it was
    // accepted (it writes the unit itself).
    std::function<bool(CKxDrawUSurfaceR&)> runColorScaleDialog;
};

} // namespace velmor
