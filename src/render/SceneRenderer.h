#pragma once
// The renderer inside the view: the render settings first, then the panes
// and their roles. Holds the pane operations that address a pane by index,
// with -1 (or any index that names no pane) doing nothing. "Linked" ones,
// called for the active space while panes are linked, repeat on every
// ordinary pane (one that is neither active, background nor foreground).
#include "render/RenderSettings.h"
#include "render/ScenePane.h"

#include <cstdint>
#include <memory>

namespace velmor {

class DrawGroup;

class SceneRenderer : public RenderSettings {
public:
    SceneRenderer() = default;
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    uint8_t fixClipDuringRotation = 0;
    int32_t paneCount = 0;
    std::unique_ptr<ScenePane[]> panes;
    int32_t activeSpace = -1, backgroundSpace = -1, foregroundSpace = -1;
    int32_t pickedPane = -1;
    // The empty group that stands for "no group" as a pane's root.
    DrawGroup* placeholderGroup = nullptr;

    bool CreatePanes();
    void FreePanes();
    // Null for an index that names no pane.
    ScenePane* Pane(int index);
    bool IsOrdinaryPane(int index) const;

    // Linked.
    void StoreRotationStart(int index);
    void RotatePane(int index, double angle, double x, double y, double z, bool object, bool clip);
    void ResetPaneTime(int index);
    // True only when every stepped pane reached an end.
    bool StepPaneTime(int index, int64_t dt, bool wrap);
    void SetClipHandleMode(int index, uint8_t value);
    void SetClipSwitch(int index, uint8_t value);
    void ToggleClipHandleMode(int index);
    void ToggleClipSwitch(int index);
    // Linked unless the mode wraps or reflects; true when any moved pane did.
    bool MovePaneClip(int index, double delta, int mode);
    bool ZoomPane(int index, double factor, int mode);
    // Not linked.
    bool PanPane(int index, double dx, double dy, int mode);
    void ResetActivePane();
    void ClearActiveCentreOffset();
    // While linked, carry every ordinary pane one step towards the active
    // space's home clip plane or home object rotation and zoom.
    void HomeLinkedClip();
    void HomeLinkedObject();
    // The next pane after `from` that the user may make active, cyclically;
    // `from` itself when there is no other.
    int NextSelectablePane(int from) const;
    // GL: the pane under the cursor of the pick record, -1 for none or for a
    // background or foreground space covering it.
    int HitTestPane();

private:
    bool Linked(int index) const;
    template <typename Operation> void ForLinkedPanes(int index, Operation operation);
    template <typename Move> bool MoveLinkedUnlessAnimated(int index, int mode, Move move);
};

} // namespace velmor
