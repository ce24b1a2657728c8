#include "render/ViewControlStates.h"

#include "render/SceneRenderer.h"
#include "units/DrawGroup.h"

#include <iterator>

namespace velmor {

ButtonPicture DisabledPicture(ButtonPicture picture)
{
    switch (picture) {
    case ButtonPicture::kPause: return ButtonPicture::kPlay;
    case ButtonPicture::kClipOn: return ButtonPicture::kClipOff;
    case ButtonPicture::kHandleOn: return ButtonPicture::kHandleOff;
    case ButtonPicture::kPickOn: return ButtonPicture::kPickOff;
    default: return picture;
    }
}

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

namespace {

ClipState ClipStateOf(const ViewControlInputs& in, bool active)
{
    if (!active || !in.clipAllowed) return ClipState::kNotAllowed;
    if (!in.clipOn) return ClipState::kOff;
    return in.clipHandle ? ClipState::kOnHandleOn : ClipState::kOnHandleOff;
}

PickState PickStateOf(const ViewControlInputs& in)
{
    if (!in.sceneShown || !in.scaleBarAvailable) return PickState::kNotPossible;
    return in.pickMode ? PickState::kOn : PickState::kOff;
}

TimeState TimeStateOf(const ViewControlInputs& in, bool active)
{
    if (!active || in.timeStart == in.timeEnd) return TimeState::kNoRange;
    if (in.playing) return TimeState::kPlaying;
    const auto step = static_cast<float>(in.timeStep);
    if (step == in.timeStart) return TimeState::kAtStart;
    return step == in.timeEnd ? TimeState::kAtEnd : TimeState::kInside;
}

} // namespace

ViewControlStates ComputeViewControlStates(const ViewControlInputs& in)
{
    ViewControlStates s;
    s.sceneShown = in.sceneShown;
    const bool active = in.sceneShown && in.hasActiveSpace;
    s.clip = ClipStateOf(in, active);
    s.pick = PickStateOf(in);
    const bool spaceMovable = in.hasActiveSpace && in.viewMode != ViewMode::kNoScene &&
                              in.viewMode != ViewMode::kUnitEditing && in.deleteAllowed;
    s.space = spaceMovable ? SpaceState::kNextPossible : SpaceState::kNoNext;
    s.time = TimeStateOf(in, active);
    s.friendGroup = FriendState::kNone;
    if (active && in.hasFriendGroup)
        s.friendGroup = in.viewMode == ViewMode::kUnitEditing ? FriendState::kWhileEditing : FriendState::kAvailable;
    return s;
}

namespace {

void Set(ViewControlChanges& c, int button, std::optional<ButtonPicture> picture, std::optional<bool> enabled)
{
    c.buttons.push_back({button, picture, enabled});
}

void ClipChanges(ViewControlChanges& c, ClipState state)
{
    switch (state) {
    case ClipState::kOnHandleOff:
    case ClipState::kOnHandleOn:
        Set(c, kClipButton, ButtonPicture::kClipOn, true);
        Set(c, kClipHandleButton,
            state == ClipState::kOnHandleOff ? ButtonPicture::kHandleOff : ButtonPicture::kHandleOn, true);
        break;
    case ClipState::kOff:
        Set(c, kClipButton, ButtonPicture::kClipOff, true);
        Set(c, kClipHandleButton, std::nullopt, false);
        break;
    default:
        Set(c, kClipButton, std::nullopt, false);
        Set(c, kClipHandleButton, std::nullopt, false);
    }
}

void PickChanges(ViewControlChanges& c, PickState state)
{
    const bool possible = state != PickState::kNotPossible;
    if (!possible) c.pickModeOff = true;
    Set(c, kPickCentreButton, state == PickState::kOn ? ButtonPicture::kPickOn : ButtonPicture::kPickOff, possible);
}

void TimeChanges(ViewControlChanges& c, TimeState state)
{
    // back, play, stop, forward; one row a state, in TimeState's order
    static const bool kEnabled[][4] = {
        {false, true, false, true}, {true, true, true, true}, {true, false, true, false},
        {false, true, true, false}, {false, false, false, false},
    };
    constexpr auto kRows = static_cast<uint8_t>(TimeState::kNoRange) + 1;
    static_assert(std::size(kEnabled) == kRows);
    std::optional<ButtonPicture> play;
    if (state == TimeState::kAtStart || state == TimeState::kInside) play = ButtonPicture::kPlay;
    if (state == TimeState::kPlaying) play = ButtonPicture::kPause;
    const auto row = static_cast<uint8_t>(state);
    const bool* on = kEnabled[row < kRows ? row : kRows - 1];
    Set(c, kTimeBackButton, std::nullopt, on[0]);
    Set(c, kPlayButton, play, on[1]);
    Set(c, kStopButton, std::nullopt, on[2]);
    Set(c, kTimeForwardButton, std::nullopt, on[3]);
}

} // namespace

ViewControlChanges ChangesBetween(const ViewControlStates& previous, const ViewControlStates& now)
{
    ViewControlChanges c;
    for (int button : {kHomeButton, kRotateMinusButton, kRotatePlusButton})
        Set(c, button, std::nullopt, now.sceneShown);
    if (now.clip != previous.clip) ClipChanges(c, now.clip);
    if (now.pick != previous.pick) PickChanges(c, now.pick);
    if (now.space != previous.space) Set(c, kNextSpaceButton, std::nullopt, now.space == SpaceState::kNextPossible);
    if (now.time != previous.time) TimeChanges(c, now.time);
    if (now.friendGroup != previous.friendGroup) Set(c, kFriendButton, std::nullopt, now.friendGroup == FriendState::kAvailable);
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
