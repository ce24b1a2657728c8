#pragma once
// Runs one scene event: the settings it lists change the render settings,
// the panes and their roles, the view's motions and timers, the selection
// marker and the draw units. The interpretation is free of GL and of the
// window system; everything that needs either goes through EventViewSeam,
// which the main view implements.
#include "render/Quaternion.h"
#include "scene/CVelmorDoc.h"

#include <cstdint>
#include <string>

namespace velmor {

class SceneRenderer;
struct ScenePane;
struct EventSetting;

// The view's motion, playback and event fields: events write them, the
// view's timers and input read them. The view keeps no other copy.
struct EventViewState {
    bool sceneLoaded = false;          // cleared by the first event's run
    int32_t homeAnimationSteps = 8;
    uint8_t animating[6] = {};         // [0] pan, [1] clip move, [2] object and clip, [3] object, [4] clip, [5] zoom
    double panStep[2] = {};
    double objectAxis[3] = {};
    double clipAxis[3] = {};
    double zoomStep = 1.0;
    double clipStep = 0.0;
    int32_t towardSteps = 0;
    int32_t stepCounter = -1;
    bool homeRunning = false;
    bool towardRunning = false;
    struct TowardTarget {
        Quaternion objectRotation, clipRotation;
        double panX = 0, panY = 0, zoom = 1, clipOffset = 0;
        bool clipOn = false;
        // Sets the pane to this state, its clip handle back on the object.
        void ApplyTo(ScenePane& pane) const;
    } towardTarget;
    bool playbackStopped = true;
    int32_t playbackInterval = 200;
    bool playbackLoop = false;
    int32_t idleTime = 0;              // seconds without input before the idle event
    bool returnArmed = false;          // the idle event ran: the next input runs the return event
    SceneEvent* idleEvent = nullptr;
    SceneEvent* returnEvent = nullptr;
    SceneEvent* nextEvent = nullptr;

    bool AnyAnimation() const;
    void ClearAnimations();
};

enum class EventLabel { Caption, Friend };

// What an event needs from the view. The renderer operations here switch GL
// state (textures, lights, the clear colour) and so need the view's current
// context; the view forwards them to its SceneRenderer.
class EventViewSeam {
public:
    virtual ~EventViewSeam() = default;
    virtual void StopAnimations() = 0;
    virtual void StopPlayback() = 0;
    virtual void StartPlayback() = 0;
    // Timer 1 animation, 42 idle; restarting replaces a running one.
    virtual void StartTimer(int id, int periodMs) = 0;
    virtual void OpenUrl(const std::wstring& url) = 0;
    // The view switches only from the matching view mode.
    virtual void ToggleFullScreen(bool on) = 0;
    virtual void SetLabelFont(EventLabel label, double pointSize, const std::wstring& face) = 0;
    virtual void SetLabelColor(EventLabel label, uint32_t colorRef) = 0;
    virtual void UpdateViewControls() = 0;

    virtual void SetPaneRoot(bool firstRun, int index, DrawGroup* group) = 0;
    virtual void SetActiveSpace(bool firstRun, int index) = 0;
    virtual void SetBackgroundSpace(bool firstRun, int index) = 0;
    virtual void SetForegroundSpace(bool firstRun, int index) = 0;
    virtual void MoveToNextSpace() = 0;
    virtual void SetRotationCentre(int index, double x, double y, double z) = 0;
    virtual void ApplyLightPosition() = 0;
    virtual void SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b) = 0;
    virtual void RebuildPaneTextures() = 0;
};

// Whether a "showURL" text is a web address (http or https, any letter
// case) that may be handed to the desktop's opener.
bool IsWebAddress(const std::wstring& text);

// The space "targetSpace" -3 names: the next pane after the active one that
// is no background or foreground space and shows a group; the active index
// (0 when none) when there is no other.
int NextEventTargetSpace(const SceneRenderer& renderer);

class SceneEventExecutor {
public:
    SceneEventExecutor(SceneRenderer& renderer, CVelmorDoc& document, EventViewState& state, EventViewSeam& view);

    void RunEvent(SceneEvent& event);

private:
    // Applies one event of a chain; returns whether it asked for playback.
    bool RunOnce(SceneEvent& event);
    void RefreshAfterRun();
    void ApplySetting(const EventSetting& setting);
    void ApplyRenderSwitch(const std::wstring& element, const std::wstring& name, const std::wstring& value);
    bool ApplySpaceSetting(const std::wstring& element, const std::wstring& name, const std::wstring& value);
    void ApplyHomeHandle(const std::wstring& name, const std::wstring& value);
    void ApplyHandle(const std::wstring& name, const std::wstring& value);
    void ApplyHandleLimit(const std::wstring& name, const std::wstring& value);
    void ApplyReset(const std::wstring& name, const std::wstring& value);
    void ApplySelectMode(const std::wstring& name, const std::wstring& value);
    void ApplyTimeAnimation(const std::wstring& name, const std::wstring& value);
    void ApplyAppearance(const std::wstring& name, const std::wstring& value);
    void ApplyLabel(EventLabel label, const std::wstring& name, const std::wstring& value);
    void ApplyEventName(const std::wstring& element, const std::wstring& name, const std::wstring& value);
    void ApplyIdleEvent(const EventSetting& setting);
    void ApplyHandleAnimation(const std::wstring& name, const std::wstring& value);
    void ApplyTowardAnimation(const EventSetting& setting);
    void ApplyScaleBar(const std::wstring& name, const std::wstring& value);
    void ApplyAlterDrawUnit(const EventSetting& setting);
    void FinishFirstRun();
    int SpaceIndex(const std::wstring& value) const;
    ScenePane* TargetPane();
    DrawGroup* FindGroup(const std::wstring& name) const;
    SceneEvent* FindEvent(const std::wstring& name) const;

    SceneRenderer& renderer_;
    CVelmorDoc& document_;
    EventViewState& state_;
    EventViewSeam& view_;
    int target_ = 0;
    int timerPeriod_ = 20;
    bool playRequested_ = false;
};

} // namespace velmor
