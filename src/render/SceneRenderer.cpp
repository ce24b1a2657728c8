#include "render/SceneRenderer.h"

#include "units/DrawGroup.h"

#include <new>

namespace velmor {

bool SceneRenderer::CreatePanes()
{
    FreePanes();
    if (paneCount <= 0)
        return true;
    panes.reset(new (std::nothrow) ScenePane[static_cast<size_t>(paneCount)]);
    if (!panes)
        return false;
    for (int i = 0; i < paneCount; ++i)
        panes[i].root = placeholderGroup;
    return true;
}

void SceneRenderer::FreePanes() { panes.reset(); }

ScenePane* SceneRenderer::Pane(int index)
{
    if (!panes || index < 0 || index >= paneCount)
        return nullptr;
    return &panes[index];
}

bool SceneRenderer::IsOrdinaryPane(int index) const
{
    return panes && index >= 0 && index < paneCount && index != activeSpace && index != backgroundSpace &&
           index != foregroundSpace;
}

bool SceneRenderer::Linked(int index) const { return linkPanes != 0 && index >= 0 && index == activeSpace; }

template <typename Operation> void SceneRenderer::ForLinkedPanes(int index, Operation operation)
{
    ScenePane* pane = Pane(index);
    if (pane == nullptr)
        return;
    operation(*pane);
    if (!Linked(index))
        return;
    for (int i = 0; i < paneCount; ++i)
        if (IsOrdinaryPane(i))
            operation(panes[i]);
}

void SceneRenderer::StoreRotationStart(int index)
{
    ForLinkedPanes(index, [](ScenePane& pane) { pane.StoreRotationStart(); });
}

void SceneRenderer::RotatePane(int index, double angle, double x, double y, double z, bool object, bool clip)
{
    ForLinkedPanes(index, [&](ScenePane& pane) { pane.Rotate(angle, x, y, z, object, clip); });
}

void SceneRenderer::ResetPaneTime(int index)
{
    ForLinkedPanes(index, [](ScenePane& pane) { pane.ResetTime(); });
}

bool SceneRenderer::StepPaneTime(int index, int64_t dt, bool wrap)
{
    if (Pane(index) == nullptr)
        return false;
    bool allEnded = true;
    ForLinkedPanes(index, [&](ScenePane& pane) { allEnded = pane.StepTime(dt, wrap) && allEnded; });
    return allEnded;
}

void SceneRenderer::SetClipHandleMode(int index, uint8_t value)
{
    ForLinkedPanes(index, [value](ScenePane& pane) { pane.clipHandleMode = value; });
}

void SceneRenderer::SetClipSwitch(int index, uint8_t value)
{
    ForLinkedPanes(index, [value](ScenePane& pane) {
        pane.clipOn = value;
        pane.clipHandleMode = 0;
    });
}

void SceneRenderer::ToggleClipHandleMode(int index)
{
    if (const ScenePane* pane = Pane(index))
        SetClipHandleMode(index, pane->clipHandleMode ? 0 : 1);
}

void SceneRenderer::ToggleClipSwitch(int index)
{
    if (const ScenePane* pane = Pane(index))
        SetClipSwitch(index, pane->clipOn ? 0 : 1);
}

template <typename Move> bool SceneRenderer::MoveLinkedUnlessAnimated(int index, double& step, int mode, Move move)
{
    ScenePane* pane = Pane(index);
    if (pane == nullptr)
        return false;
    // Wrapping and reflecting moves are animations of one pane.
    if (mode == kMoveWrap || mode == kMoveReflect)
        return move(*pane, step);
    bool anyMoved = false;
    const double given = step;
    ForLinkedPanes(index, [&](ScenePane& p) {
        double own = given;
        anyMoved = move(p, own) || anyMoved;
    });
    return anyMoved;
}

bool SceneRenderer::MovePaneClip(int index, double& delta, int mode)
{
    return MoveLinkedUnlessAnimated(index, delta, mode,
                                    [mode](ScenePane& pane, double& step) { return pane.MoveClip(step, mode); });
}

bool SceneRenderer::ZoomPane(int index, double& factor, int mode)
{
    return MoveLinkedUnlessAnimated(index, factor, mode,
                                    [mode](ScenePane& pane, double& step) { return pane.Zoom(step, mode); });
}

bool SceneRenderer::PanPane(int index, double& dx, double& dy, int mode)
{
    ScenePane* pane = Pane(index);
    return pane != nullptr && pane->Pan(dx, dy, mode);
}

void SceneRenderer::ResetActivePane()
{
    if (ScenePane* pane = Pane(activeSpace))
        pane->Reset();
}

void SceneRenderer::ClearActiveCentreOffset()
{
    if (ScenePane* pane = Pane(activeSpace))
        pane->ClearRootCentreOffset();
}

void SceneRenderer::HomeLinkedClip()
{
    const ScenePane* active = Pane(activeSpace);
    if (active == nullptr || !linkPanes)
        return;
    const Quaternion home = QuatMultiply(active->homeObjectRotation, active->homeClipRotation);
    double axis[3] = {0, 0, 0};
    const bool turn = QuatAngularStep(home, active->clipRotation, 1, axis);
    for (int i = 0; i < paneCount; ++i) {
        if (!IsOrdinaryPane(i))
            continue;
        ScenePane& pane = panes[i];
        if (turn) {
            pane.StoreRotationStart();
            RotatePane(i, 1.0, axis[0], axis[1], axis[2], false, true);
        }
        double offset = active->homeClipOffset - active->clipOffset;
        MovePaneClip(i, offset, kMoveStep);
        pane.clipOn = active->homeClipOn;
        pane.clipHandleMode = active->homeClipHandleMode;
    }
}

void SceneRenderer::HomeLinkedObject()
{
    const ScenePane* active = Pane(activeSpace);
    if (active == nullptr || !linkPanes)
        return;
    double axis[3] = {0, 0, 0};
    const bool turn = QuatAngularStep(active->homeObjectRotation, active->objectRotation, 1, axis);
    for (int i = 0; i < paneCount; ++i) {
        if (!IsOrdinaryPane(i))
            continue;
        if (turn) {
            panes[i].StoreRotationStart();
            RotatePane(i, 1.0, axis[0], axis[1], axis[2], true, false);
        }
        double factor = active->homeZoom / active->zoom;
        ZoomPane(i, factor, kMoveToLimit);
    }
}

int SceneRenderer::NextSelectablePane(int from) const
{
    if (!panes || paneCount <= 0)
        return from;
    const bool valid = from >= 0 && from < paneCount;
    // From no pane every pane is a candidate; from a pane, every other one.
    const int start = valid ? from : -1;
    const int candidates = valid ? paneCount - 1 : paneCount;
    for (int k = 1; k <= candidates; ++k) {
        const int i = (start + k) % paneCount;
        if (i == backgroundSpace || i == foregroundSpace || panes[i].root == placeholderGroup)
            continue;
        return i;
    }
    return valid ? from : -1;
}

} // namespace velmor
