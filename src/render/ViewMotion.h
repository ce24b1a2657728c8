#pragma once
// The view's motions: the animation timer (flick inertia, the home and
// toward animations, the endless motions events start), playback of time
// series and the idle timer. They work on the event executor's state record,
// the only copy of these fields. Free of GL and of the window system, so the
// arithmetic runs without a display; timers, frames and re-centring go
// through MotionHost.
#include "render/SceneEventExecutor.h"
#include "render/ScenePane.h"

#include <cstdint>

namespace velmor {

class SceneRenderer;

// The view's timer numbers.
constexpr int kAnimationTimer = 1;
constexpr int kPlaybackTimer = 21;
constexpr int kIdleTimer = 42;
constexpr int kTimerCount = 256;
constexpr int kAnimationPeriodMs = 20;

class MotionHost {
public:
    virtual ~MotionHost() = default;
    // Starting a running timer restarts it; killing a stopped one does nothing.
    virtual void StartTimer(int number, int periodMs) = 0;
    virtual void KillTimer(int number) = 0;
    virtual void RenderNow() = 0;
    virtual void UpdateViewControls() = 0;
    virtual void RunEvent(SceneEvent& event) = 0;
    // GL: makes the root's centre the rotation centre without moving the picture.
    virtual void ResetRotationCentre(int paneIndex) = 0;
};

// Mouse timing, judged on the input events' own timestamps (milliseconds,
// compared in unsigned arithmetic so that the clock may wrap): a release
// less than 8 pixels from its press in x and y is a click; a drag released
// less than 100 ms after its last move is a flick that keeps moving; a press
// within 10 ms of the same button's last release is ignored.
bool IsClick(int downX, int downY, int x, int y);
bool IsFlick(uint32_t releaseTime, uint32_t lastMoveTime);
bool IsRepress(uint32_t pressTime, uint32_t lastUpTime);

// How long the view waits without input before it runs the idle event: the
// scene's idle time in seconds, a minute when it gives none.
int IdlePeriodMs(int32_t idleSeconds);

class ViewMotion {
public:
    ViewMotion(SceneRenderer& renderer, EventViewState& state, MotionHost& host);

    void StartTimer(int number, int periodMs);
    void KillAllTimers();
    // Every timer below the playback timer; playback goes on.
    void StopAnimations();
    void StartPlayback();
    void StopPlayback();
    bool Playing() const { return !state_.playbackStopped; }
    // After a flick: the last step goes on every tick until the next press.
    void StartPanInertia(MoveMode mode);
    void StartRotationInertia(MoveMode mode);
    // Turns the active pane from its stored start: the clip plane alone in
    // clip-handle mode, the object alone when the clip plane is fixed.
    void RotateActivePane(double angle, double x, double y, double z);
    // Where the active pane's turns are measured from: its rotation now.
    void StoreRotationStart();
    // The drags and the wheel on the active pane. Each keeps its last step in
    // the state record, where a flick's inertia goes on with it; a press
    // starts from rest.
    void ClearTurnStep();
    void ClearPanStep();
    // A left drag: `x`, `y` degrees from the stored start, the last move's
    // share of them `stepX`, `stepY`.
    void DragTurn(double x, double y, double stepX, double stepY);
    // A right drag by a step in picture units (y down): pans, or moves the
    // clip plane in clip-handle mode. False without an active pane.
    bool DragPan(double dx, double dy);
    // One wheel notch: zooms in (out when `back`), or moves the clip plane in
    // clip-handle mode; while the left button turns the pane it turns it
    // about the line of sight instead.
    void WheelNotch(bool back, bool turning);
    // Back to the active pane's home, animated over homeAnimationSteps ticks.
    void OnHome();
    // Time buttons: one step either way, and back to the start.
    void StepTime(int64_t dt);
    void ResetTime();
    void TogglePlayback();
    void OnTimer(int number);
    // Every press, move, wheel turn and key release: restarts the idle wait,
    // and after an idle event runs the return event.
    void NoteUserInput();

private:
    void OnAnimationTick();
    void OnPlaybackTick();
    void OnIdleTick();
    void MoveActivePane(int active);
    void FinishHome();
    void FinishToward();

    SceneRenderer& renderer_;
    EventViewState& state_;
    MotionHost& host_;
};

} // namespace velmor
