#include "render/ViewMotion.h"

#include "render/SceneRenderer.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <cstdlib>

namespace velmor {

namespace {

constexpr int kIdleDefaultMs = 60000;
// Timers 0 to 20 are animations; playback and idle lie above them.
constexpr int kLastAnimationTimer = 20;
// One wheel notch: a degree about the line of sight while turning, else a
// zoom factor, or a hundredth of the picture for the clip plane (less when
// zoomed in).
constexpr double kWheelTurnDegrees = 1.0;
constexpr double kWheelZoomIn = 1.07;
constexpr double kWheelZoomOut = 0.935;
constexpr double kWheelClipStep = 0.01;

} // namespace

bool IsClick(int downX, int downY, int x, int y)
{
    constexpr int kSlop = 8;
    return std::abs(x - downX) < kSlop && std::abs(y - downY) < kSlop;
}

bool IsFlick(uint32_t releaseTime, uint32_t lastMoveTime) { return releaseTime - lastMoveTime < 100u; }

bool IsRepress(uint32_t pressTime, uint32_t lastUpTime) { return pressTime - lastUpTime < 10u; }

int IdlePeriodMs(int32_t idleSeconds)
{
    if (idleSeconds <= 0)
        return kIdleDefaultMs;
    // A Qt timer period is an int of milliseconds.
    constexpr int32_t kMaxSeconds = 2000000;
    return idleSeconds >= kMaxSeconds ? kMaxSeconds * 1000 : idleSeconds * 1000;
}

ViewMotion::ViewMotion(SceneRenderer& renderer, EventViewState& state, MotionHost& host)
    : renderer_(renderer), state_(state), host_(host)
{
}

void ViewMotion::StartTimer(int number, int periodMs)
{
    if (number < 0 || number >= kTimerCount)
        return;
    // The idle wait is the scene's idle time, whatever period the caller named.
    host_.StartTimer(number, number == kIdleTimer ? IdlePeriodMs(state_.idleTime) : periodMs);
}

void ViewMotion::KillAllTimers()
{
    for (int i = 0; i < kTimerCount; ++i)
        host_.KillTimer(i);
    state_.ClearAnimations();
    state_.playbackStopped = true;
    state_.stepCounter = -1;
    state_.homeRunning = state_.towardRunning = false;
}

void ViewMotion::StopAnimations()
{
    for (int i = 0; i <= kLastAnimationTimer; ++i)
        host_.KillTimer(i);
    state_.ClearAnimations();
    state_.stepCounter = -1;
    state_.homeRunning = state_.towardRunning = false;
}

void ViewMotion::StartPlayback()
{
    host_.StartTimer(kPlaybackTimer, state_.playbackInterval > 0 ? state_.playbackInterval : 1);
    state_.playbackStopped = false;
}

void ViewMotion::StopPlayback()
{
    host_.KillTimer(kPlaybackTimer);
    state_.playbackStopped = true;
}

void ViewMotion::StartPanInertia(MoveMode mode)
{
    ScenePane* pane = renderer_.Pane(renderer_.activeSpace);
    if (pane == nullptr)
        return;
    if (pane->clipHandleMode == 0)
        state_.animating[kPanAnimation] = mode;
    host_.StartTimer(kAnimationTimer, kAnimationPeriodMs);
}

void ViewMotion::StartRotationInertia(MoveMode mode)
{
    ScenePane* pane = renderer_.Pane(renderer_.activeSpace);
    if (pane == nullptr)
        return;
    if (pane->clipHandleMode)
        state_.animating[kClipTurnAnimation] = mode;
    else if (renderer_.fixClipDuringRotation)
        state_.animating[kObjectTurnAnimation] = mode;
    else
        state_.animating[kTurnBothAnimation] = mode;
    host_.StartTimer(kAnimationTimer, kAnimationPeriodMs);
}

void ViewMotion::RotateActivePane(double angle, double x, double y, double z)
{
    const int active = renderer_.activeSpace;
    ScenePane* pane = renderer_.Pane(active);
    if (pane == nullptr)
        return;
    if (pane->clipHandleMode)
        renderer_.RotatePane(active, angle, x, y, z, false, true);
    else if (renderer_.fixClipDuringRotation)
        renderer_.RotatePane(active, angle, x, y, z, true, false);
    else
        renderer_.RotatePane(active, angle, x, y, z, true, true);
}

void ViewMotion::StoreRotationStart() { renderer_.StoreRotationStart(renderer_.activeSpace); }

void ViewMotion::ClearTurnStep()
{
    std::fill(std::begin(state_.objectAxis), std::end(state_.objectAxis), 0.0);
    std::fill(std::begin(state_.clipAxis), std::end(state_.clipAxis), 0.0);
}

void ViewMotion::ClearPanStep() { state_.panStep[0] = state_.panStep[1] = 0; }

void ViewMotion::DragTurn(double x, double y, double stepX, double stepY)
{
    RotateActivePane(1.0, x, y, 0);
    state_.objectAxis[0] = state_.clipAxis[0] = stepX;
    state_.objectAxis[1] = state_.clipAxis[1] = stepY;
    state_.objectAxis[2] = state_.clipAxis[2] = 0;
}

bool ViewMotion::DragPan(double dx, double dy)
{
    const int active = renderer_.activeSpace;
    const ScenePane* pane = renderer_.Pane(active);
    if (pane == nullptr)
        return false;
    if (pane->clipHandleMode) {
        state_.clipStep = dy / pane->zoom;
        renderer_.MovePaneClip(active, state_.clipStep, kMoveStep);
    } else {
        state_.panStep[0] = dx;
        state_.panStep[1] = -dy;
        renderer_.PanPane(active, state_.panStep[0], state_.panStep[1], kMoveStep);
    }
    return true;
}

void ViewMotion::WheelNotch(bool back, bool turning)
{
    const int active = renderer_.activeSpace;
    if (turning) {
        StoreRotationStart();
        RotateActivePane(1.0, 0, 0, back ? -kWheelTurnDegrees : kWheelTurnDegrees);
        return;
    }
    const ScenePane* pane = renderer_.Pane(active);
    if (pane == nullptr)
        return;
    if (pane->clipHandleMode) {
        state_.clipStep = (back ? -kWheelClipStep : kWheelClipStep) / pane->zoom;
        renderer_.MovePaneClip(active, state_.clipStep, kMoveStep);
    } else {
        state_.zoomStep = back ? kWheelZoomOut : kWheelZoomIn;
        renderer_.ZoomPane(active, state_.zoomStep, kMoveStep);
    }
}

void ViewMotion::OnHome()
{
    const int active = renderer_.activeSpace;
    ScenePane* pane = renderer_.Pane(active);
    if (pane == nullptr)
        return;
    StopAnimations();
    const int32_t n = state_.homeAnimationSteps;
    if (n <= 0) {
        renderer_.HomeLinkedObject();
        renderer_.HomeLinkedClip();
        renderer_.ResetActivePane();
        renderer_.ClearActiveCentreOffset();
        host_.UpdateViewControls();
        // No timer follows to present the home pose: it is drawn now.
        host_.RenderNow();
        return;
    }
    host_.ResetRotationCentre(active);
    if (QuatAngularStep(pane->homeObjectRotation, pane->objectRotation, n, state_.objectAxis))
        state_.animating[kObjectTurnAnimation] = kMoveWrap;
    state_.panStep[0] = (pane->homePanX - pane->panX) / n;
    state_.panStep[1] = (pane->homePanY - pane->panY) / n;
    if (state_.panStep[0] != 0 || state_.panStep[1] != 0)
        state_.animating[kPanAnimation] = kMoveToLimit;
    state_.zoomStep = pane->zoom > 0 ? std::pow(pane->homeZoom / pane->zoom, 1.0 / n) : 1.0;
    if (state_.zoomStep != 1.0 && std::isfinite(state_.zoomStep))
        state_.animating[kZoomAnimation] = kMoveToLimit;
    if (!state_.AnyAnimation()) {
        // The object is home already, but the clip plane or the rotation
        // centre may have moved: nothing animates, so draw at once.
        FinishHome();
        host_.RenderNow();
        return;
    }
    state_.stepCounter = 0;
    state_.homeRunning = true;
    renderer_.SetClipSwitch(active, 0);
    host_.StartTimer(kAnimationTimer, kAnimationPeriodMs);
}

void ViewMotion::FinishHome()
{
    state_.ClearAnimations();
    state_.stepCounter = -1;
    state_.homeRunning = false;
    renderer_.HomeLinkedClip();
    renderer_.ResetActivePane();
    renderer_.ClearActiveCentreOffset();
    host_.UpdateViewControls();
}

void ViewMotion::FinishToward()
{
    state_.ClearAnimations();
    state_.stepCounter = -1;
    state_.towardRunning = false;
    if (ScenePane* pane = renderer_.Pane(renderer_.activeSpace))
        state_.towardTarget.ApplyTo(*pane);
    host_.UpdateViewControls();
    if (state_.nextEvent != nullptr)
        host_.RunEvent(*state_.nextEvent);
}

void ViewMotion::StepTime(int64_t dt)
{
    if (renderer_.Pane(renderer_.activeSpace) == nullptr)
        return;
    renderer_.StepPaneTime(renderer_.activeSpace, dt, state_.playbackLoop);
    host_.UpdateViewControls();
}

void ViewMotion::ResetTime()
{
    if (renderer_.Pane(renderer_.activeSpace) != nullptr)
        renderer_.ResetPaneTime(renderer_.activeSpace);
    StopPlayback();
    host_.UpdateViewControls();
}

void ViewMotion::TogglePlayback()
{
    if (Playing())
        StopPlayback();
    else
        StartPlayback();
    host_.UpdateViewControls();
}

void ViewMotion::OnTimer(int number)
{
    if (number == kPlaybackTimer)
        OnPlaybackTick();
    else if (number == kAnimationTimer)
        OnAnimationTick();
    else if (number == kIdleTimer)
        OnIdleTick();
    // A home or toward animation runs its ticks out even when every motion
    // met a limit early, so that it still lands on its target (and a toward
    // animation still runs its next event).
    const bool counting = state_.stepCounter != -1 && (state_.homeRunning || state_.towardRunning);
    if (!state_.AnyAnimation() && !counting) {
        host_.KillTimer(kAnimationTimer);
        state_.homeRunning = state_.towardRunning = false;
    }
}

void ViewMotion::OnPlaybackTick()
{
    const int active = renderer_.activeSpace;
    if (renderer_.Pane(active) == nullptr)
        return;
    if (renderer_.StepPaneTime(active, 1, state_.playbackLoop)) {
        StopPlayback();
        host_.UpdateViewControls();
    } else {
        host_.RenderNow();
    }
}

void ViewMotion::MoveActivePane(int active)
{
    uint8_t* f = state_.animating;
    const double* object = state_.objectAxis;
    const double* clip = state_.clipAxis;
    // An event may start both object turns: each turns on its own, so the
    // object turns twice a tick and the clip plane once.
    if (f[kTurnBothAnimation]) {
        renderer_.StoreRotationStart(active);
        renderer_.RotatePane(active, 1.0, object[0], object[1], object[2], true, true);
    }
    if (f[kObjectTurnAnimation]) {
        renderer_.StoreRotationStart(active);
        renderer_.RotatePane(active, 1.0, object[0], object[1], object[2], true, false);
    }
    if (f[kClipTurnAnimation]) {
        renderer_.StoreRotationStart(active);
        renderer_.RotatePane(active, 1.0, clip[0], clip[1], clip[2], false, true);
    }
    if (f[kPanAnimation] && !renderer_.PanPane(active, state_.panStep[0], state_.panStep[1], f[kPanAnimation]))
        f[kPanAnimation] = kMoveNone;
    if (f[kClipMoveAnimation] && !renderer_.MovePaneClip(active, state_.clipStep, f[kClipMoveAnimation]))
        f[kClipMoveAnimation] = kMoveNone;
    if (f[kZoomAnimation] && !renderer_.ZoomPane(active, state_.zoomStep, f[kZoomAnimation]))
        f[kZoomAnimation] = kMoveNone;
}

void ViewMotion::OnAnimationTick()
{
    const int active = renderer_.activeSpace;
    if (renderer_.Pane(active) == nullptr)
        return;
    MoveActivePane(active);
    if (state_.stepCounter != -1)
        ++state_.stepCounter;
    if (state_.homeRunning && state_.stepCounter >= state_.homeAnimationSteps)
        FinishHome();
    else if (state_.towardRunning && state_.stepCounter >= state_.towardSteps)
        FinishToward();
    host_.RenderNow();
}

void ViewMotion::OnIdleTick()
{
    host_.KillTimer(kIdleTimer);
    if (state_.idleEvent == nullptr)
        return;
    host_.RunEvent(*state_.idleEvent);
    host_.RenderNow();
    state_.returnArmed = true;
}

void ViewMotion::NoteUserInput()
{
    if (state_.returnArmed) {
        for (int i = 0; i < kTimerCount; ++i)
            if (i != kIdleTimer)
                host_.KillTimer(i);
        state_.ClearAnimations();
        state_.stepCounter = -1;
        state_.playbackStopped = true;
        state_.homeRunning = state_.towardRunning = false;
        state_.returnArmed = false;
        if (state_.returnEvent != nullptr) {
            host_.RunEvent(*state_.returnEvent);
            host_.RenderNow();
        }
    }
    if (state_.idleEvent != nullptr)
        host_.StartTimer(kIdleTimer, IdlePeriodMs(state_.idleTime));
}

} // namespace velmor
