// The bar's rule: which state each button group takes, and which buttons
// change when a state changes.
#include "render/ViewControlStates.h"

#include "render/SceneRenderer.h"

#include <gtest/gtest.h>

#include <map>

using namespace velmor;

namespace {

ViewControlInputs TimedScene()
{
    ViewControlInputs in;
    in.sceneShown = in.hasActiveSpace = true;
    in.clipAllowed = true;
    in.scaleBarAvailable = true;
    in.viewMode = ViewMode::kNormal;
    in.deleteAllowed = true;
    in.timeStart = 0;
    in.timeEnd = 4;
    return in;
}

// The last change per button, as "enabled" flags and pictures.
struct Buttons {
    std::map<int, bool> enabled;
    std::map<int, ButtonPicture> pictures;
    explicit Buttons(const ViewControlChanges& changes)
    {
        for (const ButtonChange& c : changes.buttons) {
            if (c.enabled) enabled[c.button] = *c.enabled;
            if (c.picture) pictures[c.button] = *c.picture;
        }
    }
};

} // namespace

TEST(ViewControlStates, GroupsFollowTheActiveSpace)
{
    ViewControlInputs in = TimedScene();
    ViewControlStates s = ComputeViewControlStates(in);
    EXPECT_EQ(s.clip, ClipState::kOff);   // clipping possible, plane off
    EXPECT_EQ(s.pick, PickState::kOff);
    EXPECT_EQ(s.space, SpaceState::kNextPossible);
    EXPECT_EQ(s.time, TimeState::kAtStart);
    EXPECT_EQ(s.friendGroup, FriendState::kNone);

    in.clipOn = true;
    EXPECT_EQ(ComputeViewControlStates(in).clip, ClipState::kOnHandleOff);
    in.clipHandle = true;
    EXPECT_EQ(ComputeViewControlStates(in).clip, ClipState::kOnHandleOn);
    in.clipAllowed = false;
    EXPECT_EQ(ComputeViewControlStates(in).clip, ClipState::kNotAllowed);

    in.pickMode = true;
    EXPECT_EQ(ComputeViewControlStates(in).pick, PickState::kOn);
    in.scaleBarAvailable = false;
    EXPECT_EQ(ComputeViewControlStates(in).pick, PickState::kNotPossible);

    in.timeStep = 2;
    EXPECT_EQ(ComputeViewControlStates(in).time, TimeState::kInside);
    in.timeStep = 4;
    EXPECT_EQ(ComputeViewControlStates(in).time, TimeState::kAtEnd);
    in.playing = true;
    EXPECT_EQ(ComputeViewControlStates(in).time, TimeState::kPlaying);
    in.timeEnd = in.timeStart;   // a range of one step
    EXPECT_EQ(ComputeViewControlStates(in).time, TimeState::kNoRange);

    in.hasFriendGroup = true;
    EXPECT_EQ(ComputeViewControlStates(in).friendGroup, FriendState::kAvailable);
    in.viewMode = ViewMode::kUnitEditing;   // friend and next space off
    s = ComputeViewControlStates(in);
    EXPECT_EQ(s.friendGroup, FriendState::kWhileEditing);
    EXPECT_EQ(s.space, SpaceState::kNoNext);

    ViewControlInputs none;   // no scene: nothing to pick on
    none.scaleBarAvailable = true;
    s = ComputeViewControlStates(none);
    EXPECT_EQ(s.clip, ClipState::kNotAllowed);
    EXPECT_EQ(s.pick, PickState::kNotPossible);
    EXPECT_EQ(s.space, SpaceState::kNoNext);
    EXPECT_EQ(s.time, TimeState::kNoRange);
    EXPECT_EQ(s.friendGroup, FriendState::kNone);
}

TEST(ViewControlStates, OnlyChangedGroupsTouchTheirButtonsExceptAfterAReset)
{
    const ViewControlStates now = ComputeViewControlStates(TimedScene());
    Buttons first(ChangesBetween(ViewControlStates{}, now));   // after a reset: every button
    for (int button : {kHomeButton, kRotateMinusButton, kRotatePlusButton, kClipButton, kClipHandleButton,
                       kPickCentreButton, kNextSpaceButton, kTimeBackButton, kPlayButton, kStopButton,
                       kTimeForwardButton, kFriendButton})
        EXPECT_TRUE(first.enabled.count(button)) << button;
    EXPECT_EQ(first.pictures[kClipButton], ButtonPicture::kClipOff);
    EXPECT_FALSE(first.enabled[kClipHandleButton]);
    EXPECT_FALSE(first.enabled[kTimeBackButton]);   // at the start of the range
    EXPECT_FALSE(first.enabled[kStopButton]);
    EXPECT_TRUE(first.enabled[kPlayButton]);

    Buttons same(ChangesBetween(now, now));
    EXPECT_EQ(same.enabled.size(), 3u);   // home and the two rotations only
}

TEST(ViewControlStates, TimeButtonsWhilePlayingAndAtTheEnd)
{
    ViewControlInputs in = TimedScene();
    const ViewControlStates start = ComputeViewControlStates(in);
    in.playing = true;
    Buttons playing(ChangesBetween(start, ComputeViewControlStates(in)));
    EXPECT_EQ(playing.pictures[kPlayButton], ButtonPicture::kPause);
    EXPECT_FALSE(playing.enabled[kTimeForwardButton]);
    EXPECT_FALSE(playing.enabled[kTimeBackButton]);
    EXPECT_TRUE(playing.enabled[kStopButton]);

    in.playing = false;
    in.timeStep = 4;
    Buttons end(ChangesBetween(start, ComputeViewControlStates(in)));
    EXPECT_FALSE(end.enabled[kPlayButton]);
    EXPECT_FALSE(end.enabled[kTimeForwardButton]);
    EXPECT_TRUE(end.enabled[kStopButton]);
    EXPECT_TRUE(end.enabled[kTimeBackButton]);

    in.timeEnd = in.timeStart;
    Buttons single(ChangesBetween(start, ComputeViewControlStates(in)));
    for (int button : {kTimeBackButton, kPlayButton, kStopButton, kTimeForwardButton})
        EXPECT_FALSE(single.enabled[button]) << button;

    // No scale bar: the pick button greys and the pick mode goes off.
    in.scaleBarAvailable = false;
    in.pickMode = true;
    const ViewControlChanges noPick = ChangesBetween(start, ComputeViewControlStates(in));
    EXPECT_TRUE(noPick.pickModeOff);
    EXPECT_FALSE(Buttons(noPick).enabled[kPickCentreButton]);
}

TEST(ViewControlStates, SettingsMenuSwitchesNeedASceneAndLinkingAnOrdinaryPane)
{
    SceneRenderer renderer;
    SettingsMenuState m = ReadSettingsMenuState(renderer, false);
    EXPECT_FALSE(m.frameArrowEnabled || m.frameArrowChecked || m.fixClipEnabled || m.linkEnabled);
    m = ReadSettingsMenuState(renderer, true);
    EXPECT_TRUE(m.frameArrowEnabled && m.frameArrowChecked);   // frame and arrow start on
    EXPECT_TRUE(m.fixClipEnabled && !m.fixClipChecked);
    EXPECT_FALSE(m.linkEnabled);   // no active space

    renderer.paneCount = 2;
    ASSERT_TRUE(renderer.CreatePanes());
    renderer.activeSpace = 0;
    renderer.backgroundSpace = 1;
    EXPECT_FALSE(ReadSettingsMenuState(renderer, true).linkEnabled);   // every pane has a role
    renderer.backgroundSpace = -1;
    renderer.linkPanes = 1;
    renderer.fixClipDuringRotation = 1;
    renderer.frameAndArrow = 0;
    m = ReadSettingsMenuState(renderer, true);
    EXPECT_TRUE(m.linkEnabled && m.linkChecked && m.fixClipChecked);
    EXPECT_FALSE(m.frameArrowChecked);
}
