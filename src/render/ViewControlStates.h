#pragma once
// The rule behind the view's bar: five button groups, each with a small
// state computed from the active space, and the pictures and enabled states
// a change of state gives its buttons. A group's buttons are touched only
// when its state differs from the previous one; after a reset every
// previous state is 255, so the next refresh sets every button. No GL and
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

struct ViewControlStates {
    uint8_t clip = 255;       // 0 clip on, handle off; 1 clip and handle on; 2 clip off; 3 no clipping
    uint8_t pick = 255;       // 0 pick mode on; 1 off; 2 no pick possible
    uint8_t space = 255;      // 0 next space possible; 1 not
    uint8_t time = 255;       // 0 at start; 1 inside; 2 at end; 3 playing; 4 no time range
    uint8_t friendGroup = 255;   // 0 none; 1 friend group; 2 friend group while editing
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
    // Pick state 2 switches the rotation-centre pick mode off.
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
