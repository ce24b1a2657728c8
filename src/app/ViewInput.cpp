#include "app/ViewInput.h"

#include "render/ViewControlStates.h"
#include "render/ViewMotion.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

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

// A drag across the picture's shorter side turns the pane half a turn, or
// pans it by the picture's span of two units.
constexpr double kDragTurnDegrees = 180.0;
constexpr double kDragPanUnits = 2.0;

} // namespace

void ViewInput::ForgetDrags()
{
    leftDragging_ = rightDragging_ = false;
    pressed_ = {};
}

void ViewInput::EndUnseenReleases(Qt::MouseButtons held)
{
    // A press may start a job (the space it makes active reads its data), and
    // the job drops what arrives while it runs, the press's own release too.
    // Such a drag ends at the next event that shows its button up, as a drag
    // ends, unturned: it must not turn the space at every later move.
    if (leftDragging_ && !held.testFlag(Qt::LeftButton)) {
        leftDragging_ = false;
        FinishPressedPick(false);
        pressed_ = {};
        view_.ForgetPick();
    }
    if (rightDragging_ && !held.testFlag(Qt::RightButton)) rightDragging_ = false;
}

void ViewInput::Press(const QMouseEvent& event)
{
    EndUnseenReleases(event.buttons() & ~event.button());
    if (!view_.SceneShown() || !view_.CanPick()) return;
    const QPoint p = At(event);
    const uint32_t time = EventTime(event.timestamp());
    if (event.button() == Qt::LeftButton)
        LeftPress(p.x(), p.y(), time);
    else if (event.button() == Qt::RightButton)
        RightPress(p.x(), p.y(), time);
}

void ViewInput::StartDrag(int x, int y, uint32_t time)
{
    lastMoveTime_ = time;
    downX_ = lastX_ = x;
    downY_ = lastY_ = y;
}

void ViewInput::LeftPress(int x, int y, uint32_t time)
{
    if (rightDragging_ || (leftReleased_ && IsRepress(time, lastLeftUpTime_))) return;
    if (!view_.PlaceCursor(x, y)) return;
    motion_.NoteUserInput();
    motion_.StopAnimations();
    leftDragging_ = true;
    motion_.StoreRotationStart();
    view_.WithGL([this] {
        if (!view_.UnitEditing()) {
            // Any press on the spaces ends playback, one on the active space
            // too (which the hit test does not report).
            motion_.StopPlayback();
            const bool changed = view_.ActivatePaneAtCursor();
            view_.UpdateViewControls();
            if (changed) view_.RenderNow();
        }
        pressed_ = view_.PickUnit();
        // The choice shows while the button is down.
        if (pressed_.event != nullptr) {
            view_.ChangeSelection(pressed_, true);
            view_.RenderNow();
        }
    });
    StartDrag(x, y, time);
    motion_.ClearTurnStep();
}

void ViewInput::RightPress(int x, int y, uint32_t time)
{
    if (leftDragging_ || (rightReleased_ && IsRepress(time, lastRightUpTime_))) return;
    if (!view_.PlaceCursor(x, y)) return;
    motion_.NoteUserInput();
    motion_.StopAnimations();
    rightDragging_ = true;
    StartDrag(x, y, time);
    motion_.ClearPanStep();
}

void ViewInput::Move(const QMouseEvent& event)
{
    EndUnseenReleases(event.buttons());
    const QPoint p = At(event);
    const int x = p.x(), y = p.y();
    if (!view_.SceneShown() || (x == lastX_ && y == lastY_)) return;
    view_.PlaceCursor(x, y);
    motion_.NoteUserInput();
    const double side = view_.PictureSide();
    bool applied = false;
    if (leftDragging_) {
        const double degrees = kDragTurnDegrees / side;
        motion_.DragTurn((y - downY_) * degrees, (x - downX_) * degrees, (y - lastY_) * degrees,
                         (x - lastX_) * degrees);
        applied = true;
    } else if (rightDragging_) {
        const double units = kDragPanUnits / side;
        applied = motion_.DragPan((x - lastX_) * units, (y - lastY_) * units);
    }
    if (applied) view_.RenderNow();
    lastMoveTime_ = EventTime(event.timestamp());
    lastX_ = x;
    lastY_ = y;
}

void ViewInput::Release(const QMouseEvent& event)
{
    if (!view_.SceneShown()) return;
    const QPoint p = At(event);
    const uint32_t time = EventTime(event.timestamp());
    if (event.button() == Qt::LeftButton && leftDragging_)
        LeftRelease(p.x(), p.y(), time);
    else if (event.button() == Qt::RightButton && rightDragging_)
        RightRelease(p.x(), p.y(), time);
}

void ViewInput::FinishPressedPick(bool click)
{
    // A drag takes the press's choice back; a click keeps it (a unit that
    // cannot be chosen lets it go) and runs the event.
    if (pressed_.event == nullptr) return;
    view_.ChangeSelection(pressed_, !click);
    if (click && !view_.UnitEditing()) view_.RunEvent(pressed_.event);
    view_.RenderNow();
}

void ViewInput::LeftRelease(int x, int y, uint32_t time)
{
    view_.PlaceCursor(x, y);
    leftDragging_ = false;
    const bool click = IsClick(downX_, downY_, x, y);
    if (click) {
        if (view_.PickingRotationCentre()) view_.PickRotationCentre();
        FinishPressedPick(true);
    } else {
        FinishPressedPick(false);
        if (IsFlick(time, lastMoveTime_)) motion_.StartRotationInertia(kMoveWrap);
    }
    pressed_ = {};
    view_.ForgetPick();
    lastLeftUpTime_ = time;
    leftReleased_ = true;
}

void ViewInput::RightRelease(int x, int y, uint32_t time)
{
    rightDragging_ = false;
    if (!IsClick(downX_, downY_, x, y) && IsFlick(time, lastMoveTime_)) motion_.StartPanInertia(kMoveReflect);
    lastRightUpTime_ = time;
    rightReleased_ = true;
}

void ViewInput::Wheel(const QWheelEvent& event)
{
    EndUnseenReleases(event.buttons());
    if (!view_.SceneShown()) return;
    motion_.NoteUserInput();
    motion_.WheelNotch(event.angleDelta().y() < 1, leftDragging_);
    view_.RenderNow();
}

bool ViewInput::KeyRelease(const QKeyEvent& event)
{
    if (event.isAutoRepeat() || !view_.SceneShown()) return false;
    motion_.NoteUserInput();
    const int key = event.key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        view_.NextPane();
        return true;
    }
    if (key == Qt::Key_F11) {
        view_.ToggleFullScreen();
        return true;
    }
    // The keys of the view buttons act only while their button is enabled.
    struct ButtonKey {
        int key;
        int button;
    };
    static const ButtonKey kButtonKeys[] = {
        {Qt::Key_F2, kHomeButton},      {Qt::Key_F3, kRotateMinusButton}, {Qt::Key_F4, kRotatePlusButton},
        {Qt::Key_F5, kClipButton},      {Qt::Key_F6, kClipHandleButton},  {Qt::Key_F7, kPickCentreButton},
        {Qt::Key_F8, kFriendButton},
    };
    for (const ButtonKey& k : kButtonKeys) {
        if (k.key != key) continue;
        if (view_.ButtonEnabled(k.button)) view_.PressButton(k.button);
        return true;
    }
    return false;
}

} // namespace velmor
