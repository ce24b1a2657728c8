#pragma once
// The view's input: mouse buttons, moves and the wheel turn, pick and drag
// the active pane; key releases run the view's commands. Times are the input
// events' own timestamps, so that a slow frame between a move and the
// release does not turn an ordinary drag into a flick.
#include "render/SceneRenderer.h"

#include <cstdint>

class QKeyEvent;
class QMouseEvent;
class QWheelEvent;

namespace velmor {

class CVelmorView;

class ViewInput {
public:
    explicit ViewInput(CVelmorView& view) : view_(view) {}

    void Press(const QMouseEvent& event);
    void Move(const QMouseEvent& event);
    void Release(const QMouseEvent& event);
    void Wheel(const QWheelEvent& event);
    // True when the key was one of the view's.
    bool KeyRelease(const QKeyEvent& event);
    // Drags end without their release (a new scene, a mouse grab lost).
    void ForgetDrags();

    int32_t downX = 0, downY = 0, lastX = 0, lastY = 0;
    bool leftDragging = false, rightDragging = false;
    uint32_t lastMoveTime = 0, lastLeftUpTime = 0, lastRightUpTime = 0;
    // Whether a release has happened yet (before it, no press is a re-press).
    bool leftReleased = false, rightReleased = false;
    // What the left press picked, kept to its release.
    UnitPick pressed;

private:
    void LeftPress(int x, int y, uint32_t time);
    void RightPress(int x, int y, uint32_t time);
    void LeftRelease(int x, int y, uint32_t time);
    void RightRelease(int x, int y, uint32_t time);
    void PickRotationCentre();
    void FinishPressedPick(bool click);
    bool PickCursorInViewport(int x, int y);

    CVelmorView& view_;
};

// An event's time in milliseconds: its own timestamp, or the clock's when the
// event carries none (synthesised events).
uint32_t EventTime(uint64_t timestamp);

} // namespace velmor
