#include "render/ViewControlStates.h"

#include "render/SceneRenderer.h"
#include "units/DrawGroup.h"

namespace velmor {

ViewControlInputs ReadViewControlInputs(SceneRenderer& renderer, bool sceneShown, ViewMode viewMode, bool pickMode,
                                        bool playing)
{
    ViewControlInputs in;
    in.sceneShown = sceneShown;
    in.viewMode = viewMode;
    in.pickMode = pickMode;
    in.playing = playing;
    in.scaleBarAvailable = renderer.scaleBarAvailable != 0;
    const ScenePane* pane = renderer.Pane(renderer.activeSpace);
    if (pane == nullptr) return in;
    in.hasActiveSpace = true;
    in.clipAllowed = pane->clipAllowed != 0;
    in.clipOn = pane->clipOn != 0;
    in.clipHandle = pane->clipHandleMode != 0;
    in.deleteAllowed = pane->deleteAllowed != 0;
    in.timeStart = pane->timeStart;
    in.timeEnd = pane->timeEnd;
    in.timeStep = pane->timeStep;
    in.hasFriendGroup = pane->root != nullptr && pane->root->friendGroup != nullptr;
    return in;
}

ViewControlStates ComputeViewControlStates(const ViewControlInputs& in)
{
    ViewControlStates s;
    const bool active = in.sceneShown && in.hasActiveSpace;
    s.clip = 3;
    if (active && in.clipAllowed) s.clip = !in.clipOn ? 2 : in.clipHandle ? 1 : 0;
    s.pick = 1;
    if (in.sceneShown) s.pick = !in.scaleBarAvailable ? 2 : in.pickMode ? 0 : 1;
    s.space = in.hasActiveSpace && in.viewMode != ViewMode::kNoScene && in.viewMode != ViewMode::kUnitEditing && in.deleteAllowed ? 0 : 1;
    s.time = 4;
    if (active && in.timeStart != in.timeEnd) {
        if (in.playing)
            s.time = 3;
        else if (static_cast<float>(in.timeStep) == in.timeStart)
            s.time = 0;
        else if (static_cast<float>(in.timeStep) == in.timeEnd)
            s.time = 2;
        else
            s.time = 1;
    }
    s.friendGroup = 0;
    if (active && in.hasFriendGroup) s.friendGroup = in.viewMode == ViewMode::kUnitEditing ? 2 : 1;
    return s;
}

namespace {

void Set(ViewControlChanges& c, int button, std::optional<ButtonPicture> picture, std::optional<bool> enabled)
{
    c.buttons.push_back({button, picture, enabled});
}

void ClipChanges(ViewControlChanges& c, uint8_t state)
{
    switch (state) {
    case 0:
    case 1:
        Set(c, kClipButton, ButtonPicture::kClipOn, true);
        Set(c, kClipHandleButton, state == 0 ? ButtonPicture::kHandleOff : ButtonPicture::kHandleOn, true);
        break;
    case 2:
        Set(c, kClipButton, ButtonPicture::kClipOff, true);
        Set(c, kClipHandleButton, std::nullopt, false);
        break;
    default:
        Set(c, kClipButton, std::nullopt, false);
        Set(c, kClipHandleButton, std::nullopt, false);
    }
}

void PickChanges(ViewControlChanges& c, uint8_t state)
{
    if (state == 2) c.pickModeOff = true;
    Set(c, kPickCentreButton, state == 0 ? ButtonPicture::kPickOn : ButtonPicture::kPickOff, state != 2);
}

void TimeChanges(ViewControlChanges& c, uint8_t state)
{
    // back, play, stop, forward
    static const bool kEnabled[5][4] = {
        {false, true, false, true}, {true, true, true, true}, {true, false, true, false},
        {false, true, true, false}, {false, false, false, false},
    };
    std::optional<ButtonPicture> play;
    if (state <= 1) play = ButtonPicture::kPlay;
    if (state == 3) play = ButtonPicture::kPause;
    const bool* on = kEnabled[state < 5 ? state : 4];
    Set(c, kTimeBackButton, std::nullopt, on[0]);
    Set(c, kPlayButton, play, on[1]);
    Set(c, kStopButton, std::nullopt, on[2]);
    Set(c, kTimeForwardButton, std::nullopt, on[3]);
}

} // namespace

ViewControlChanges ChangesBetween(const ViewControlStates& previous, const ViewControlStates& now)
{
    ViewControlChanges c;
    for (int button : {kHomeButton, kRotateMinusButton, kRotatePlusButton}) Set(c, button, std::nullopt, true);
    if (now.clip != previous.clip) ClipChanges(c, now.clip);
    if (now.pick != previous.pick) PickChanges(c, now.pick);
    if (now.space != previous.space) Set(c, kNextSpaceButton, std::nullopt, now.space == 0);
    if (now.time != previous.time) TimeChanges(c, now.time);
    if (now.friendGroup != previous.friendGroup) Set(c, kFriendButton, std::nullopt, now.friendGroup == 1);
    return c;
}

SettingsMenuState ReadSettingsMenuState(const SceneRenderer& r, bool sceneShown)
{
    SettingsMenuState m;
    if (!sceneShown) return m;
    m.frameArrowEnabled = m.fixClipEnabled = true;
    m.frameArrowChecked = r.frameAndArrow != 0;
    m.fixClipChecked = r.fixClipDuringRotation != 0;
    if (r.activeSpace < 0 || r.activeSpace >= r.paneCount) return m;
    for (int i = 0; i < r.paneCount; ++i)
        m.linkEnabled = m.linkEnabled || r.IsOrdinaryPane(i);
    m.linkChecked = m.linkEnabled && r.linkPanes != 0;
    return m;
}

} // namespace velmor
