#pragma once
// What the surface, mesh and volume dialogs ask of the view, the renderer,
// the unit panel and the data-preference dialogs beyond the common
// UnitDialogView. The view installs them once it has panes and a renderer;
// until then nothing is locked or refreshed, the pane does not clip and the
// nested dialogs count as cancelled.
#include <functional>

class QWidget;

namespace velmor {

class DataObject;
class CKxDrawUSurfaceR;

struct UnitDialogSeams {
    // CVelmorView::LockControls (0) and UnlockControls (window, menu byte).
    std::function<void()> lockControls;
    std::function<void(QWidget*, bool)> unlockControls;
    // The current pane's clip-plane switch.
    std::function<bool()> currentPaneClipOn;
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
