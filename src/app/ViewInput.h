#pragma once
// The view's input: mouse buttons, moves and the wheel turn, pick and drag
// the active pane; key releases run the view's commands. Times are the input
// events' own timestamps, so that a slow frame between a move and the
// release does not turn an ordinary drag into a flick.
#include "render/SceneRenderer.h"

#include <QtCore/qnamespace.h>

#include <cstdint>
#include <functional>

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace velmor {

class ViewMotion;

// What input needs of the view, and no more. The view answers it through a
// private adapter; the active pane's drags and inertia go to ViewMotion.
class ViewInputTarget {
public:
    virtual ~ViewInputTarget() = default;

    virtual bool SceneShown() const = 0;
    // Whether picks can be drawn (the GL context works).
    virtual bool CanPick() const = 0;
    virtual bool UnitEditing() const = 0;
    // Whether the next click chooses the rotation centre.
    virtual bool PickingRotationCentre() const = 0;
    // Whether a view button (a ViewButton id) is enabled.
    virtual bool ButtonEnabled(int button) const = 0;

    // Puts the pick cursor at a point of the widget (y down); true when it
    // lies in the picture.
    virtual bool PlaceCursor(int x, int y) = 0;
    // The picture's shorter side in pixels, at least 1.
    virtual int PictureSide() const = 0;

    // Runs `work` with the view's context current: picks draw.
    virtual void WithGL(const std::function<void()>& work) = 0;
    // The pane under the pick cursor becomes the active one (its turns start
    // from its rotation now); true when the active pane changed.
    virtual bool ActivatePaneAtCursor() = 0;
    // Picks draw into the picture's buffer: the target brings a frame after.
    virtual UnitPick PickUnit() = 0;
    virtual void ChangeSelection(const UnitPick& pick, bool toggle) = 0;
    // The press's pane is forgotten once its release is handled.
    virtual void ForgetPick() = 0;
    // The surface point under the pick cursor, if any, becomes the active
    // pane's rotation centre.
    virtual void PickRotationCentre() = 0;

    virtual void RunEvent(SceneEvent* event) = 0;
    // A frame at once.
    virtual void RenderNow() = 0;
    virtual void UpdateViewControls() = 0;
    // The keys' commands: a view button's, the next pane, full screen on or off.
    virtual void PressButton(int button) = 0;
    virtual void NextPane() = 0;
    virtual void ToggleFullScreen() = 0;
};

class ViewInput {
public:
    ViewInput(ViewInputTarget& view, ViewMotion& motion) : view_(view), motion_(motion) {}

    void Press(const QMouseEvent& event);
    void Move(const QMouseEvent& event);
    void Release(const QMouseEvent& event);
    void Wheel(const QWheelEvent& event);
    // True when the key was one of the view's.
    bool KeyRelease(const QKeyEvent& event);
    // Drags end without their release (a new scene, a mouse grab lost).
    void ForgetDrags();
    bool Dragging() const { return leftDragging_ || rightDragging_; }

private:
    void LeftPress(int x, int y, uint32_t time);
    void RightPress(int x, int y, uint32_t time);
    void LeftRelease(int x, int y, uint32_t time);
    void RightRelease(int x, int y, uint32_t time);
    void StartDrag(int x, int y, uint32_t time);
    void FinishPressedPick(bool click);
    // Ends, as a drag ends and unturned, each drag whose button is not in
    // `held` although its release never came here.
    void EndUnseenReleases(Qt::MouseButtons held);

    ViewInputTarget& view_;
    ViewMotion& motion_;
    int32_t downX_ = 0, downY_ = 0, lastX_ = 0, lastY_ = 0;
    bool leftDragging_ = false, rightDragging_ = false;
    uint32_t lastMoveTime_ = 0, lastLeftUpTime_ = 0, lastRightUpTime_ = 0;
    // Whether a release has happened yet (before it, no press is a re-press).
    bool leftReleased_ = false, rightReleased_ = false;
    // What the left press picked, kept to its release.
    UnitPick pressed_;
};

// An event's time in milliseconds: its own timestamp, or the clock's when the
// event carries none (synthesised events).
uint32_t EventTime(uint64_t timestamp);

} // namespace velmor
