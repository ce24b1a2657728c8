#include "app/ViewInput.h"

#include "app/CVelmorView.h"
#include "render/ViewControlStates.h"
#include "units/DrawGroup.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>

namespace velmor {

uint32_t EventTime(uint64_t timestamp)
{
    if (timestamp != 0) return static_cast<uint32_t>(timestamp);
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

namespace {

QPoint At(const QMouseEvent& event) { return event.position().toPoint(); }

} // namespace

void ViewInput::ForgetDrags()
{
    leftDragging = rightDragging = false;
    pressedPane = -1;
}

bool ViewInput::PickCursorInViewport(int x, int y)
{
    SceneRenderer& r = view_.renderer;
    r.pick.cursorX = x;
    r.pick.cursorY = r.viewportHeight - y - 1;
    return r.IsInViewport(r.pick.cursorX, r.pick.cursorY);
}

void ViewInput::Press(const QMouseEvent& event)
{
    if (!view_.SceneShown() || !view_.glUsable) return;
    const QPoint p = At(event);
    const uint32_t time = EventTime(event.timestamp());
    if (event.button() == Qt::LeftButton)
        LeftPress(p.x(), p.y(), time);
    else if (event.button() == Qt::RightButton)
        RightPress(p.x(), p.y(), time);
}

void ViewInput::LeftPress(int x, int y, uint32_t time)
{
    if (rightDragging || (leftReleased && IsRepress(time, lastLeftUpTime))) return;
    if (!PickCursorInViewport(x, y)) return;
    SceneRenderer& r = view_.renderer;
    view_.motion.NoteUserInput();
    view_.motion.StopAnimations();
    leftDragging = true;
    r.StoreRotationStart(r.activeSpace);
    {
        CVelmorView::ContextGuard gl(view_);
        if (view_.viewMode != ViewMode::kUnitEditing) {
            // Any press on the spaces ends playback, one on the active space
            // too (which the hit test does not report).
            view_.motion.StopPlayback();
            const int hit = r.HitTestPane();
            const bool changed = hit >= 0 && hit != r.activeSpace;
            if (changed) {
                r.SetActiveSpace(false, hit);
                r.StoreRotationStart(hit);
            }
            view_.UpdateViewControls();
            if (changed) view_.RenderNow();
        }
        r.PickUnitByColor();
        // The pick drew into the picture's buffer: the next frame redraws it.
        view_.update();
        pressedPane = r.pickedPane;
        if (ScenePane* picked = r.Pane(pressedPane)) {
            r.currentTime = static_cast<float>(picked->timeStep);
            SceneEvent* found = nullptr;
            r.FindPickedUnitEvent(true, picked->root, found);
            if (found != nullptr) view_.RenderNow();
        }
    }
    lastMoveTime = time;
    downX = lastX = x;
    downY = lastY = y;
    std::fill(std::begin(view_.state.objectAxis), std::end(view_.state.objectAxis), 0.0);
    std::fill(std::begin(view_.state.clipAxis), std::end(view_.state.clipAxis), 0.0);
}

void ViewInput::RightPress(int x, int y, uint32_t time)
{
    if (leftDragging || (rightReleased && IsRepress(time, lastRightUpTime))) return;
    if (!PickCursorInViewport(x, y)) return;
    view_.motion.NoteUserInput();
    view_.motion.StopAnimations();
    rightDragging = true;
    lastMoveTime = time;
    downX = lastX = x;
    downY = lastY = y;
    view_.state.panStep[0] = view_.state.panStep[1] = 0;
}

void ViewInput::Move(const QMouseEvent& event)
{
    const QPoint p = At(event);
    const int x = p.x(), y = p.y();
    if (!view_.SceneShown() || (x == lastX && y == lastY)) return;
    PickCursorInViewport(x, y);
    view_.motion.NoteUserInput();
    SceneRenderer& r = view_.renderer;
    EventViewState& s = view_.state;
    const double side = std::max(1, std::min(r.viewportWidth, r.viewportHeight));
    const double degrees = 180.0 / side;
    bool applied = false;
    if (leftDragging) {
        view_.motion.RotateActivePane(1.0, (y - downY) * degrees, (x - downX) * degrees, 0);
        s.objectAxis[0] = s.clipAxis[0] = (y - lastY) * degrees;
        s.objectAxis[1] = s.clipAxis[1] = (x - lastX) * degrees;
        s.objectAxis[2] = s.clipAxis[2] = 0;
        applied = true;
    } else if (rightDragging) {
        if (ScenePane* pane = r.Pane(r.activeSpace)) {
            const double units = 2.0 / side;
            if (pane->clipHandleMode) {
                s.clipStep = (y - lastY) * units / pane->zoom;
                r.MovePaneClip(r.activeSpace, s.clipStep, 1);
            } else {
                s.panStep[0] = (x - lastX) * units;
                s.panStep[1] = -(y - lastY) * units;
                r.PanPane(r.activeSpace, s.panStep[0], s.panStep[1], 1);
            }
            applied = true;
        }
    }
    if (applied) view_.RenderNow();
    lastMoveTime = EventTime(event.timestamp());
    lastX = x;
    lastY = y;
}

void ViewInput::Release(const QMouseEvent& event)
{
    if (!view_.SceneShown()) return;
    const QPoint p = At(event);
    const uint32_t time = EventTime(event.timestamp());
    if (event.button() == Qt::LeftButton && leftDragging)
        LeftRelease(p.x(), p.y(), time);
    else if (event.button() == Qt::RightButton && rightDragging)
        RightRelease(p.x(), p.y(), time);
}

void ViewInput::FindPressedUnitEvent(bool click)
{
    SceneRenderer& r = view_.renderer;
    ScenePane* picked = r.Pane(pressedPane);
    if (picked == nullptr) return;
    r.currentTime = static_cast<float>(picked->timeStep);
    SceneEvent* found = nullptr;
    r.FindPickedUnitEvent(!click, picked->root, found);
    if (found == nullptr) return;
    if (click && view_.viewMode != ViewMode::kUnitEditing) view_.RunEvent(found);
    view_.RenderNow();
}

void ViewInput::LeftRelease(int x, int y, uint32_t time)
{
    PickCursorInViewport(x, y);
    leftDragging = false;
    const bool click = IsClick(downX, downY, x, y);
    if (click) {
        if (view_.rotationCentrePickMode) PickRotationCentre();
        FindPressedUnitEvent(true);
    } else {
        FindPressedUnitEvent(false);
        if (IsFlick(time, lastMoveTime)) view_.motion.StartRotationInertia(3);
    }
    pressedPane = -1;
    view_.renderer.pickedPane = -1;
    lastLeftUpTime = time;
    leftReleased = true;
}

void ViewInput::RightRelease(int x, int y, uint32_t time)
{
    rightDragging = false;
    if (!IsClick(downX, downY, x, y) && IsFlick(time, lastMoveTime)) view_.motion.StartPanInertia(4);
    lastRightUpTime = time;
    rightReleased = true;
}

void ViewInput::PickRotationCentre()
{
    SceneRenderer& r = view_.renderer;
    ScenePane* pane = r.Pane(r.activeSpace);
    if (pane == nullptr) return;
    double point[3] = {};
    bool hit = false;
    {
        CVelmorView::ContextGuard gl(view_);
        view_.pickRender = true;
        hit = pane->PickSurfacePoint(r.pick.cursorX, r.pick.cursorY, point);
        view_.pickRender = false;
        if (hit) {
            pane->SetRotationCentre(point[0], point[1], point[2]);
            pane->clipOffset = 0;
            if (pane->root != nullptr) pane->root->InvalidateClipCaps();
        }
    }
    // The pick drew into the picture's buffer: a frame follows either way.
    if (hit)
        view_.RenderNow();
    else
        view_.update();
}

void ViewInput::Wheel(const QWheelEvent& event)
{
    if (!view_.SceneShown()) return;
    view_.motion.NoteUserInput();
    const bool back = event.angleDelta().y() < 1;
    SceneRenderer& r = view_.renderer;
    EventViewState& s = view_.state;
    if (leftDragging) {
        r.StoreRotationStart(r.activeSpace);
        view_.motion.RotateActivePane(1.0, 0, 0, back ? -1 : 1);
    } else if (ScenePane* pane = r.Pane(r.activeSpace)) {
        if (pane->clipHandleMode) {
            s.clipStep = (back ? -0.01 : 0.01) / pane->zoom;
            r.MovePaneClip(r.activeSpace, s.clipStep, 1);
        } else {
            s.zoomStep = back ? 0.935 : 1.07;
            r.ZoomPane(r.activeSpace, s.zoomStep, 1);
        }
    }
    view_.RenderNow();
}

bool ViewInput::KeyRelease(const QKeyEvent& event)
{
    if (event.isAutoRepeat() || !view_.SceneShown()) return false;
    view_.motion.NoteUserInput();
    const int key = event.key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        view_.OnNextPane();
        return true;
    }
    if (key == Qt::Key_F11) {
        if (view_.viewMode == ViewMode::kNormal)
            view_.ToggleFullScreen(true);
        else if (view_.viewMode == ViewMode::kFullScreen)
            view_.ToggleFullScreen(false);
        return true;
    }
    // The keys of the view buttons act only while their button is enabled
    // (F7 always: its command asks itself).
    // F7 has no button of its own to ask.
    constexpr int kNoButton = 0;
    struct ButtonKey {
        int key;
        int button;
        void (CVelmorView::*command)();
    };
    static const ButtonKey kButtonKeys[] = {
        {Qt::Key_F2, kHomeButton, &CVelmorView::OnHome},
        {Qt::Key_F3, kRotateMinusButton, &CVelmorView::OnRotateZMinus},
        {Qt::Key_F4, kRotatePlusButton, &CVelmorView::OnRotateZPlus},
        {Qt::Key_F5, kClipButton, &CVelmorView::OnClipToggle},
        {Qt::Key_F6, kClipHandleButton, &CVelmorView::OnClipHandleToggle},
        {Qt::Key_F7, kNoButton, &CVelmorView::OnPickRotationCentre},
        {Qt::Key_F8, kFriendButton, &CVelmorView::OnFriendGroup},
    };
    for (const ButtonKey& k : kButtonKeys) {
        if (k.key != key) continue;
        if (k.button == kNoButton || view_.ButtonEnabled(k.button)) (view_.*k.command)();
        return true;
    }
    return false;
}

} // namespace velmor
