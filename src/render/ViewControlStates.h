#pragma once
// The rule behind the view's bar: five button groups, each with a small
// state computed from the active space, and the pictures and enabled states
// a change of state gives its buttons. A group's buttons are touched only
// when its state differs from the previous one; after a reset every
// previous state is unset, so the next refresh sets every button. No GL and
// no window system: the bar applies the changes to its buttons.
#include "render/ViewMode.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace velmor {

class SceneRenderer;

// Control numbers of the bar's buttons and the friend text.
enum ViewButton : int {
    kHomeButton = 1045,
    kRotateMinusButton = 1040,
    kRotatePlusButton = 1037,
    kClipButton = 1042,
    kClipHandleButton = 1039,
    kPickCentreButton = 1038,
    kNextSpaceButton = 1041,
    kTimeBackButton = 1036,
    kPlayButton = 1046,
    kStopButton = 1047,
    kTimeForwardButton = 1043,
    kFriendButton = 1044,
    kFriendText = 1050,
    kCaptionText = 1051,
};

// The pictures a button can show; the fixed buttons have one each.
enum class ButtonPicture : uint8_t {
    kHome, kRotateMinus, kRotatePlus, kClipOn, kClipOff, kHandleOff, kHandleOn, kPickOn, kPickOff,
    kNextSpace, kTimeBack, kPlay, kPause, kStop, kTimeForward, kFriend,
};

// What a disabled button shows while it holds `picture`: a switch has one
// disabled picture for both of its states (the play button greys as play,
// whether it was left showing play or pause).
ButtonPicture DisabledPicture(ButtonPicture picture);

// Each group's state. kUnset is what a reset leaves: it differs from every
// real state, so the next refresh touches every button.
enum class ClipState : uint8_t { kOnHandleOff, kOnHandleOn, kOff, kNotAllowed, kUnset = 255 };
enum class PickState : uint8_t { kOn, kOff, kNotPossible, kUnset = 255 };
enum class SpaceState : uint8_t { kNextPossible, kNoNext, kUnset = 255 };
// The order follows the rows of the time buttons' table.
enum class TimeState : uint8_t { kAtStart, kInside, kAtEnd, kPlaying, kNoRange, kUnset = 255 };
enum class FriendState : uint8_t { kNone, kAvailable, kWhileEditing, kUnset = 255 };

struct ViewControlStates {
    // Home and the two turns act only on a shown scene.
    bool sceneShown = false;
    ClipState clip = ClipState::kUnset;
    PickState pick = PickState::kUnset;
    SpaceState space = SpaceState::kUnset;
    TimeState time = TimeState::kUnset;
    FriendState friendGroup = FriendState::kUnset;
};

// What the states are computed from.
struct ViewControlInputs {
    bool sceneShown = false;
    bool hasActiveSpace = false;
    bool clipAllowed = false, clipOn = false, clipHandle = false;
    bool scaleBarAvailable = false, pickMode = false;
    ViewMode viewMode = ViewMode::kNoScene;
    bool deleteAllowed = false;
    float timeStart = 0, timeEnd = 0;
    int32_t timeStep = 0;
    bool playing = false;
    bool hasFriendGroup = false;
};

// The inputs as the renderer's active space gives them.
ViewControlInputs ReadViewControlInputs(SceneRenderer& renderer, bool sceneShown, ViewMode viewMode, bool pickMode,
                                        bool playing);
ViewControlStates ComputeViewControlStates(const ViewControlInputs& in);

struct ButtonChange {
    int button = 0;
    std::optional<ButtonPicture> picture;
    std::optional<bool> enabled;
};

struct ViewControlChanges {
    std::vector<ButtonChange> buttons;
    // A pick that is not possible switches the rotation-centre pick mode off.
    bool pickModeOff = false;
};

// The button changes that take the bar from `previous` to `now`.
ViewControlChanges ChangesBetween(const ViewControlStates& previous, const ViewControlStates& now);

// Enabling and check marks of the three switches of the settings menu.
struct SettingsMenuState {
    bool frameArrowEnabled = false, frameArrowChecked = false;
    bool fixClipEnabled = false, fixClipChecked = false;
    // Linking needs an active space and at least one ordinary pane.
    bool linkEnabled = false, linkChecked = false;
};
SettingsMenuState ReadSettingsMenuState(const SceneRenderer& renderer, bool sceneShown);

} // namespace velmor
