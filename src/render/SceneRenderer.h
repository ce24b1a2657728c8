#pragma once
// The renderer inside the view: the render settings first, then the panes
// and their roles. Holds the pane operations that address a pane by index,
// with -1 (or any index that names no pane) doing nothing. "Linked" ones,
// called for the active space while panes are linked, repeat on every
// ordinary pane (one that is neither active, background nor foreground).
#include "render/RenderListener.h"
#include "render/RenderSettings.h"
#include "render/ScenePane.h"
#include "render/WindowPlacement.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmor {

class DrawGroup;
struct SceneEvent;
class CKxDrawUnit;

// What a click picked: the pane under the cursor, the id read back there,
// and the unit of that id (with the scatter graph's point, when it is one)
// and its event. Empty when nothing was hit.
struct UnitPick {
    int pane = -1;
    uint32_t id = 0;
    CKxDrawUnit* unit = nullptr;
    int64_t point = -1;   // the scatter graph's point; -1 for a whole unit
    SceneEvent* event = nullptr;
};

// Where in a 9 x 9 read-back window a click finds its id: squares of growing
// half-size about the centre, lower rows first, pixels outside the viewport
// skipped. `originX/Y` place the window's first pixel in the viewport.
// Returns the id found, 0 when none.
uint32_t FindPickIdInWindow(const uint8_t rgba[9 * 9 * 4], int originX, int originY, int viewportWidth,
                            int viewportHeight);

class SceneRenderer : public RenderSettings {
public:
    SceneRenderer();
    ~SceneRenderer();
    SceneRenderer(const SceneRenderer&) = delete;
    SceneRenderer& operator=(const SceneRenderer&) = delete;

    // Placeholder first, then the two groups of each selection pattern.
    std::vector<DrawGroup*> builtInGroups;   // owned
    // Where the renderer reports what changed for the windows around the
    // picture; none until the program sets it.
    RenderListener* listener = nullptr;

    uint8_t fixClipDuringRotation = 0;
    int32_t paneCount = 0;
    std::unique_ptr<ScenePane[]> panes;
    int32_t activeSpace = -1, backgroundSpace = -1, foregroundSpace = -1;
    int32_t pickedPane = -1;
    // The empty group that stands for "no group" as a pane's root.
    DrawGroup* placeholderGroup = nullptr;
    DrawGroup* selectionGroupA = nullptr;
    DrawGroup* selectionGroupB = nullptr;
    DrawGroup* selectionGroupC = nullptr;
    SelectMode selectMode = SelectMode::kNone;
    // 1 to kBuiltInPatterns name the built-in patterns in the scenes' order;
    // kOwnPattern stands for groups the scene names itself; 0 for none.
    uint8_t selectionPattern = 0;
    static constexpr uint8_t kBuiltInPatterns = 7, kOwnPattern = 255;
    uint8_t frameAndArrow = 1;
    // Selection patterns that draw a frame and arrow about the active root.
    static constexpr uint8_t kFramedPatternFirst = 5, kFramedPatternLast = 6;

    // GL: settings initialised, panes freed, roles and selection reset.
    void ResetRenderer();
    // GL: on a current context; installs the driver's video-memory query.
    void StartOnContext();
    void SetPaneStates();
    // During a scene's first event run (`firstRun`) the roles are only
    // recorded and a pane's root changes without resetting the pane.
    void SetActiveSpace(bool firstRun, int index);
    void SetBackgroundSpace(bool firstRun, int index);
    void SetForegroundSpace(bool firstRun, int index);
    void SetPaneRoot(bool firstRun, int index, DrawGroup* group);
    void SelectNextPane();
    void MoveToNextSpace();
    // Also takes the mode's own pattern.
    void SetSelectMode(SelectMode mode);
    void SetSelectionPattern(uint8_t n);
    void SetSelectionGroups(DrawGroup* a, DrawGroup* b, DrawGroup* c);
    DrawGroup* SelectionGroupFor(const ScenePane& pane) const;
    // GL: what lies under the pick record's cursor, found in the pane's tree
    // at the pane's time. Taken once a click.
    UnitPick PickUnit();
    // The unit (or scatter point) of `id` under `group`, children first; a
    // unit without an event ends the search as well.
    UnitPick FindPickedUnit(uint32_t id, DrawGroup* group) const;
    // Toggles the pick's choice or, without toggle, clears it unless the unit
    // is selectable. Only a pick with an event has a choice.
    static void ChangeSelection(const UnitPick& pick, bool toggle);
    // The press is over: no pane counts as picked.
    void ForgetPick() { pickedPane = -1; }
    // The listener, or one that ignores every report.
    RenderListener& Listener();
    // Reports the active root's units (nothing without an active pane).
    void ReportActiveUnits(bool focus);
    void ReportActivePane();
    void ReportScale();
    // The active root's frame while the frame and arrow of a selection
    // pattern that has them are shown; none otherwise.
    std::optional<FrameSize> ShownFrameSize();
    bool ActiveClipOn();
    // Shows or hides the frame and arrow; the scale report follows.
    void ToggleFrameAndArrow();
    // GL: a scene without a first event shows `top` (none when null) in the
    // first pane, made active, and reports its information shown.
    void ShowWithoutFirstEvent(DrawGroup* top);
    // GL.
    void RebuildPaneTextures();
    void RenderAllPanes();
    void PickUnitByColor();

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
    // The step comes back turned round when a reflecting move met a limit,
    // so that the next step of an animation goes the other way.
    bool MovePaneClip(int index, double& delta, int mode);
    bool ZoomPane(int index, double& factor, int mode);
    // Not linked.
    bool PanPane(int index, double& dx, double& dy, int mode);
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
    // GL: where pane `index` shows its main layer's units in the window: the
    // bounding box of their box as drawn, in pixels from the top left, cut to
    // the window; empty for a pane that shows none.
    WindowRect ShownArea(int index);

private:
    void SetSpecialSpace(bool firstRun, int index, int32_t& role);
    void LeaveRole(int32_t& role);
    void RenderPaneWithSelection(ScenePane& pane);
    bool Linked(int index) const;
    template <typename Operation> void ForLinkedPanes(int index, Operation operation);
    template <typename Move> bool MoveLinkedUnlessAnimated(int index, double& step, int mode, Move move);
};

// The renderer the view publishes for units and dialogs; null until then.
void PublishSceneRenderer(SceneRenderer* renderer);
SceneRenderer* CurrentSceneRenderer();

} // namespace velmor
