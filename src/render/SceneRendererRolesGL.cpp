// Pane roles and states. These run the panes' GL half (root normalisation,
// rotation centre), so they live with the renderer's GL work.
#include "render/SceneRenderer.h"

#include "units/DrawGroup.h"

#include <optional>

namespace velmor {

void SceneRenderer::SetPaneStates()
{
    if (!panes)
        return;
    for (int i = 0; i < paneCount; ++i) {
        panes[i].state = PaneState::kOrdinary;
        if (panes[i].root)
            panes[i].root->SetSpaceFlag(kClearPaneSpaces);
    }
    for (int i = 0; i < paneCount; ++i) {
        ScenePane& pane = panes[i];
        std::optional<SpaceFlagCode> space;
        if (i == activeSpace)
            pane.state = PaneState::kActive, space = kSetActiveSpace;
        else if (i == backgroundSpace)
            pane.state = PaneState::kBackOrFore, space = kSetBackgroundSpace;
        else if (i == foregroundSpace)
            pane.state = PaneState::kBackOrFore, space = kSetForegroundSpace;
        else if (linkPanes)
            pane.state = PaneState::kLinked, space = kSetLinkedSpace;
        if (space && pane.root)
            pane.root->SetSpaceFlag(*space);
    }
    for (int i = 0; i < paneCount; ++i)
        if (panes[i].state != PaneState::kOrdinary && panes[i].root)
            panes[i].root->ReleaseInactive();
    for (int i = 0; i < paneCount; ++i)
        if (panes[i].state != PaneState::kOrdinary && panes[i].root) {
            panes[i].root->LoadActive();
            panes[i].UpdateRoot();
        }
}

// The former holder of a role is shown once more as an ordinary pane.
void SceneRenderer::LeaveRole(int32_t& role)
{
    if (ScenePane* former = Pane(role)) {
        former->state = PaneState::kOrdinary;
        RenderAllPanes();
    }
}

void SceneRenderer::SetActiveSpace(bool firstRun, int index)
{
    if (firstRun) {
        activeSpace = index;
        return;
    }
    ScenePane* chosen = Pane(index);
    if (chosen != nullptr && index == activeSpace)
        return;
    LeaveRole(activeSpace);
    if (chosen != nullptr) {
        if (backgroundSpace == index)
            backgroundSpace = -1;
        if (foregroundSpace == index)
            foregroundSpace = -1;
        if (linkPanes)
            for (int i = 0; i < paneCount; ++i)
                if (i != index && i != backgroundSpace && i != foregroundSpace) {
                    panes[i].clipOn = chosen->clipOn;
                    panes[i].clipHandleMode = chosen->clipHandleMode;
                }
    }
    activeSpace = chosen ? index : -1;
    SetPaneStates();
    ReportActivePane();
    if (Pane(activeSpace) != nullptr) {
        ReportActiveUnits(false);
        ReportScale();
        Listener().ShownGroupChanged();
    }
}

void SceneRenderer::SetSpecialSpace(bool firstRun, int index, int32_t& role)
{
    if (firstRun) {
        role = index;
        return;
    }
    ScenePane* chosen = Pane(index);
    if (chosen != nullptr && index == role)
        return;
    if (chosen != nullptr)
        for (int32_t* other : {&activeSpace, &backgroundSpace, &foregroundSpace})
            if (other != &role && *other == index)
                *other = -1;
    LeaveRole(role);
    role = chosen ? index : -1;
    SetPaneStates();
    ReportActivePane();
}

void SceneRenderer::SetBackgroundSpace(bool firstRun, int index) { SetSpecialSpace(firstRun, index, backgroundSpace); }

void SceneRenderer::SetForegroundSpace(bool firstRun, int index) { SetSpecialSpace(firstRun, index, foregroundSpace); }

void SceneRenderer::SetPaneRoot(bool firstRun, int index, DrawGroup* group)
{
    ScenePane* pane = Pane(index);
    if (pane == nullptr)
        return;
    if (firstRun) {
        pane->SetRoot(group);
        return;
    }
    pane->ResetRotationCentre();
    std::optional<SpaceFlagCode> clear, set;
    if (index == activeSpace)
        clear = kClearActiveSpace, set = kSetActiveSpace;
    else if (index == backgroundSpace)
        clear = kClearBackgroundSpace, set = kSetBackgroundSpace;
    else if (index == foregroundSpace)
        clear = kClearForegroundSpace, set = kSetForegroundSpace;
    else if (linkPanes)
        clear = kClearLinkedSpace, set = kSetLinkedSpace;
    if (pane->root) {
        if (clear)
            pane->root->SetSpaceFlag(*clear);
        pane->root->ReleaseInactive();
    }
    const int32_t step = pane->timeStep;
    pane->SetRoot(group);
    pane->SetTime(step, false);
    if (pane->root) {
        if (set)
            pane->root->SetSpaceFlag(*set);
        pane->root->LoadActive();
    }
    pane->UpdateRoot();
    ReportScale();
    if (index == activeSpace)
        ReportActiveUnits(false);
    Listener().ShownGroupChanged();
}

void SceneRenderer::ShowWithoutFirstEvent(DrawGroup* top)
{
    SetActiveSpace(true, 0);
    if (top != nullptr)
        SetPaneRoot(true, 0, top);
    RebuildPaneTextures();
    Listener().SceneInfoChanged(true);
}

void SceneRenderer::SelectNextPane()
{
    const int from = activeSpace >= 0 ? activeSpace : 0;
    const int next = NextSelectablePane(from);
    if (next != activeSpace)
        SetActiveSpace(false, next);
}

void SceneRenderer::MoveToNextSpace()
{
    ScenePane* active = Pane(activeSpace);
    if (active == nullptr)
        return;
    ResetActivePane();
    ClearActiveCentreOffset();
    active->ResetTime();
    SetPaneRoot(false, activeSpace, placeholderGroup);
    const int next = NextSelectablePane(activeSpace);
    if (next == activeSpace) {
        guideLines = 0;
        SetActiveSpace(false, -1);
    } else {
        SetActiveSpace(false, next);
    }
}

} // namespace velmor
