#include "render/SceneEventExecutor.h"

#include "render/SceneRenderer.h"
#include "render/ViewMotion.h"
#include "platform/WideText.h"
#include "scene/AttributeParsers.h"
#include "units/CKxDrawUTriangles.h"
#include "units/CKxDrawUVolumeR.h"
#include "units/CKxDrawUnit.h"
#include "units/DrawGroup.h"
#include "processing/MaterialPresets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <iterator>
#include <unordered_set>
#include <vector>

namespace velmor {

namespace {

// A chain of events that start no animation runs at once, one after the
// other; a chain that comes back to an event already in it would never end.
// A message box inside a run may start another run on this thread: it must
// not enter an event of a chain that is still running either.
thread_local std::unordered_set<const SceneEvent*> runningChain;

uint8_t OnOff(const std::wstring& value, uint8_t current)
{
    bool flag = current != 0;
    ParseOnOff(value, flag);
    return flag ? 1 : 0;
}

int32_t IntOf(const std::wstring& value, int32_t current)
{
    ParseInt1(value, current);
    return current;
}

bool ParseAxisAngle(const std::wstring& value, Quaternion& q)
{
    double angle = 0, x = 0, y = 0, z = 0;
    if (!ParseDouble4(value, angle, x, y, z, true))
        return false;
    q = QuatFromAxisAngle(angle, x, y, z);
    return true;
}

void SetRgb(float out[4], uint8_t r, uint8_t g, uint8_t b, float scale)
{
    out[0] = r / 255.0f * scale;
    out[1] = g / 255.0f * scale;
    out[2] = b / 255.0f * scale;
}

} // namespace

bool EventViewState::AnyAnimation() const
{
    return std::any_of(std::begin(animating), std::end(animating), [](uint8_t f) { return f != 0; });
}

void EventViewState::TowardTarget::ApplyTo(ScenePane& pane) const
{
    pane.SetRotations(objectRotation, clipRotation);
    pane.panX = panX;
    pane.panY = panY;
    pane.zoom = zoom;
    pane.clipOffset = clipOffset;
    pane.clipOn = clipOn ? 1 : 0;
    pane.clipHandleMode = 0;
}

void EventViewState::ClearAnimations() { std::fill(std::begin(animating), std::end(animating), 0); }

bool IsWebAddress(const std::wstring& text)
{
    for (const std::wstring scheme : {L"http://", L"https://"}) {
        if (text.size() <= scheme.size())
            continue;
        bool same = true;
        for (size_t i = 0; i < scheme.size() && same; ++i)
            same = std::towlower(static_cast<wint_t>(text[i])) == static_cast<wint_t>(scheme[i]);
        if (same)
            return true;
    }
    return false;
}

int NextEventTargetSpace(const SceneRenderer& renderer)
{
    // The first event stores a role as the scene gives it, even far past the
    // panes: such an index is no active space either.
    const int active = renderer.activeSpace;
    const int start = active >= 0 && active < renderer.paneCount ? active : 0;
    if (renderer.paneCount <= 0)
        return start;
    for (int step = 1; step < renderer.paneCount; ++step) {
        const int i = (start + step) % renderer.paneCount;
        if (i == renderer.backgroundSpace || i == renderer.foregroundSpace)
            continue;
        if (renderer.panes[i].root == renderer.placeholderGroup)
            continue;
        return i;
    }
    return start;
}

SceneEventExecutor::SceneEventExecutor(SceneRenderer& renderer, CVelmorDoc& document, EventViewState& state,
                                       EventViewSeam& view)
    : renderer_(renderer), document_(document), state_(state), view_(view)
{
}

void SceneEventExecutor::RunEvent(SceneEvent& event)
{
    if (runningChain.contains(&event))
        return;
    // Each run has its own working state; a run started from inside another
    // must not leave its target behind for the rest of the outer one.
    const int savedTarget = target_;
    const int savedPeriod = timerPeriod_;
    const bool savedPlay = playRequested_;
    // A chain of any length runs in this loop rather than one run inside the
    // other: what each event leaves for after its successors (its playback
    // request) is kept here in chain order and done in reverse, as the runs
    // would have unwound.
    std::vector<SceneEvent*> chain;
    std::vector<bool> playRequests;
    for (SceneEvent* next = &event; next != nullptr && !runningChain.contains(next);) {
        runningChain.insert(next);
        chain.push_back(next);
        playRequests.push_back(RunOnce(*next));
        next = state_.AnyAnimation() ? nullptr : state_.nextEvent;
    }
    for (auto play = playRequests.rbegin(); play != playRequests.rend(); ++play)
        if (*play)
            view_.StartPlayback();
    // The refreshes only show the state the chain left; each run's own would
    // show the same, with nothing drawn or handled in between.
    RefreshAfterRun();
    for (SceneEvent* ran : chain)
        runningChain.erase(ran);
    target_ = savedTarget;
    timerPeriod_ = savedPeriod;
    playRequested_ = savedPlay;
}

bool SceneEventExecutor::RunOnce(SceneEvent& event)
{
    target_ = 0;
    timerPeriod_ = 20;
    playRequested_ = false;
    state_.nextEvent = nullptr;
    view_.StopAnimations();
    view_.StopPlayback();

    for (const EventSetting& setting : event.settings)
        ApplySetting(setting);

    if (state_.sceneLoaded)
        FinishFirstRun();

    if (state_.AnyAnimation())
        view_.StartTimer(1, std::max(timerPeriod_, 1));
    return playRequested_;
}

void SceneEventExecutor::RefreshAfterRun()
{
    view_.UpdateViewControls();
    renderer_.ReportActivePane();
    renderer_.ReportScale();
    renderer_.ReportActiveUnits(false);
    // The render options window writes all its controls back on the user's
    // next change: it must show what this event set, not what it showed.
    renderer_.Listener().SceneInfoChanged(true);
}

void SceneEventExecutor::FinishFirstRun()
{
    bool allSpecial = true;
    for (int i = 0; i < renderer_.paneCount; ++i)
        if (i != renderer_.activeSpace && i != renderer_.backgroundSpace && i != renderer_.foregroundSpace)
            allSpecial = false;
    if (allSpecial)
        renderer_.linkPanes = 0;
    if (renderer_.nearFarRestrict != 0)
        renderer_.clipCap = 0;
    if (renderer_.clipCap == 0)
        renderer_.shadow = 0;
    view_.RebuildPaneTextures();
    state_.sceneLoaded = false;
}

void SceneEventExecutor::ApplySetting(const EventSetting& setting)
{
    const std::wstring& element = setting.elementName;
    if (element == L"towardAnimation")
        return ApplyTowardAnimation(setting);
    if (element == L"alterDrawUnite")
        return ApplyAlterDrawUnit(setting);
    if (element == L"idleEvent")
        return ApplyIdleEvent(setting);
    const size_t count = std::min(setting.names.size(), setting.values.size());
    for (size_t i = 0; i < count; ++i) {
        const std::wstring& name = setting.names[i];
        const std::wstring& value = setting.values[i];
        if (ApplySpaceSetting(element, name, value))
            continue;
        if (element == L"homeHandle")
            ApplyHomeHandle(name, value);
        else if (element == L"handle")
            ApplyHandle(name, value);
        else if (element == L"handleLimit")
            ApplyHandleLimit(name, value);
        else if (element == L"reset")
            ApplyReset(name, value);
        else if (element == L"selectMode")
            ApplySelectMode(name, value);
        else if (element == L"timeAnimation")
            ApplyTimeAnimation(name, value);
        else if (element == L"appearance")
            ApplyAppearance(name, value);
        else if (element == L"captionText")
            ApplyLabel(EventLabel::Caption, name, value);
        else if (element == L"friendText")
            ApplyLabel(EventLabel::Friend, name, value);
        else if (element == L"returnEvent" || element == L"nextEvent")
            ApplyEventName(element, name, value);
        else if (element == L"handleAnimation")
            ApplyHandleAnimation(name, value);
        else if (element == L"scaleBar")
            ApplyScaleBar(name, value);
        else
            ApplyRenderSwitch(element, name, value);
    }
}

void SceneEventExecutor::ApplyRenderSwitch(const std::wstring& element, const std::wstring& name,
                                           const std::wstring& value)
{
    if (name != L"mode")
        return;
    SceneRenderer& r = renderer_;
    if (element == L"clipCap")
        r.clipCap = OnOff(value, r.clipCap);
    else if (element == L"transparencyClip")
        r.transparencyClip = OnOff(value, r.transparencyClip);
    else if (element == L"shadow")
        r.shadow = static_cast<uint32_t>(IntOf(value, static_cast<int32_t>(r.shadow)));
    else if (element == L"fog")
        r.fog = OnOff(value, r.fog);
    else if (element == L"nearFarRestrict")
        r.nearFarRestrict = static_cast<uint32_t>(IntOf(value, static_cast<int32_t>(r.nearFarRestrict)));
    else if (element == L"squareRestrict")
        r.squareRestrict = static_cast<uint32_t>(IntOf(value, static_cast<int32_t>(r.squareRestrict)));
    else if (element == L"projection")
        r.projection = value == L"perspective" ? 1 : 0;
    else if (element == L"lightPosition") {
        r.lightPosition = static_cast<uint32_t>(IntOf(value, static_cast<int32_t>(r.lightPosition)));
        view_.ApplyLightPosition();
    } else if (element == L"homeAnimation") {
        static const wchar_t* const kModes[] = {L"0", L"1", L"2", L"3"};
        static const int32_t kSteps[] = {0, 8, 20, 50};
        for (int i = 0; i < 4; ++i)
            if (value == kModes[i])
                state_.homeAnimationSteps = kSteps[i];
    }
}

int SceneEventExecutor::SpaceIndex(const std::wstring& value) const
{
    const int index = IntOf(value, 0);
    return index == -3 ? target_ : index;
}

bool SceneEventExecutor::ApplySpaceSetting(const std::wstring& element, const std::wstring& name,
                                           const std::wstring& value)
{
    const bool firstRun = state_.sceneLoaded;
    if (element == L"targetSpace") {
        if (name == L"index") {
            const int index = IntOf(value, target_);
            if (index == -1)
                target_ = renderer_.activeSpace;
            else if (index == -3)
                target_ = NextEventTargetSpace(renderer_);
            else
                target_ = index;
        }
    } else if (element == L"topGroup") {
        if (name == L"name")
            if (DrawGroup* group = FindGroup(value))
                view_.SetPaneRoot(firstRun, target_, group);
    } else if (element == L"activeSpace") {
        if (name == L"index")
            view_.SetActiveSpace(firstRun, SpaceIndex(value));
    } else if (element == L"backgroundSpace") {
        if (name == L"index")
            view_.SetBackgroundSpace(firstRun, SpaceIndex(value));
    } else if (element == L"foregroundSpace") {
        if (name == L"index")
            view_.SetForegroundSpace(firstRun, SpaceIndex(value));
    } else if (element == L"handleAbility") {
        ScenePane* pane = TargetPane();
        if (!pane)
            return true;
        if (name == L"trans")
            pane->panAllowed = OnOff(value, pane->panAllowed);
        else if (name == L"scale")
            pane->zoomAllowed = OnOff(value, pane->zoomAllowed);
        else if (name == L"clip")
            pane->clipAllowed = OnOff(value, pane->clipAllowed);
        else if (name == L"delete")
            pane->deleteAllowed = OnOff(value, pane->deleteAllowed);
    } else if (element == L"liveTime") {
        ScenePane* pane = TargetPane();
        if (!pane)
            return true;
        if (name == L"set")
            pane->SetTime(IntOf(value, 0), state_.playbackLoop);
        else if (name == L"add")
            pane->StepTime(IntOf(value, 0), state_.playbackLoop);
    } else if (element == L"showURL") {
        if (name != L"url")
            return true;
        // The desktop's opener would also start programs and open local
        // files; a scene may only point at web pages.
        if (IsWebAddress(value))
            view_.OpenUrl(value);
        else
            std::fprintf(stderr, "Velmor: showURL ignored, not an http or https address: %s\n",
                         WideToUtf8(value).c_str());
    } else {
        return false;
    }
    return true;
}

ScenePane* SceneEventExecutor::TargetPane() { return renderer_.Pane(target_); }

DrawGroup* SceneEventExecutor::FindGroup(const std::wstring& name) const
{
    auto found = document_.drawGroups.find(name);
    return found == document_.drawGroups.end() ? nullptr : found->second.get();
}

SceneEvent* SceneEventExecutor::FindEvent(const std::wstring& name) const
{
    auto found = document_.events.find(name);
    return found == document_.events.end() ? nullptr : found->second.get();
}

void SceneEventExecutor::ApplyHomeHandle(const std::wstring& name, const std::wstring& value)
{
    ScenePane* pane = TargetPane();
    if (!pane)
        return;
    if (name == L"trans")
        ParseDouble2(value, pane->homePanX, pane->homePanY, true);
    else if (name == L"scale")
        ParseDouble1(value, pane->homeZoom, true);
    else if (name == L"rot")
        ParseAxisAngle(value, pane->homeObjectRotation);
    else if (name == L"clip")
        pane->homeClipOn = OnOff(value, pane->homeClipOn);
    else if (name == L"clipRot")
        ParseAxisAngle(value, pane->homeClipRotation);
    else if (name == L"clipTrans")
        ParseDouble1(value, pane->homeClipOffset, true);
    else if (name == L"target") {
        if (value == L"object")
            pane->homeClipHandleMode = 0;
        else if (value == L"clip")
            pane->homeClipHandleMode = 1;
    }
}

void SceneEventExecutor::ApplyHandle(const std::wstring& name, const std::wstring& value)
{
    const int t = target_;
    if (name == L"trans") {
        double dx = 0, dy = 0;
        if (ParseDouble2(value, dx, dy, true))
            renderer_.PanPane(t, dx, dy, kMoveStep);
    } else if (name == L"scale") {
        double factor = 1;
        if (ParseDouble1(value, factor, true))
            renderer_.ZoomPane(t, factor, kMoveStep);
    } else if (name == L"rot" || name == L"objectRot" || name == L"clipRot") {
        double angle = 0, x = 0, y = 0, z = 0;
        if (!ParseDouble4(value, angle, x, y, z, true))
            return;
        renderer_.StoreRotationStart(t);
        renderer_.RotatePane(t, angle, x, y, z, name != L"clipRot", name != L"objectRot");
    } else if (name == L"clip") {
        if (value == L"on")
            renderer_.SetClipSwitch(t, 1);
        else if (value == L"off")
            renderer_.SetClipSwitch(t, 0);
        else if (value == L"switch")
            renderer_.ToggleClipSwitch(t);
    } else if (name == L"clipTrans") {
        double d = 0;
        if (ParseDouble1(value, d, true))
            renderer_.MovePaneClip(t, d, kMoveStep);
    } else if (name == L"target") {
        if (value == L"object")
            renderer_.SetClipHandleMode(t, 0);
        else if (value == L"clip")
            renderer_.SetClipHandleMode(t, 1);
        else if (value == L"switch")
            renderer_.ToggleClipHandleMode(t);
    } else if (name == L"delete") {
        if (value == L"on")
            view_.MoveToNextSpace();
    } else if (name == L"rotCenter") {
        double x = 0, y = 0, z = 0;
        if (!state_.sceneLoaded && renderer_.Pane(t) && ParseDouble3(value, x, y, z, true))
            view_.SetRotationCentre(t, x, y, z);
    }
}

void SceneEventExecutor::ApplyHandleLimit(const std::wstring& name, const std::wstring& value)
{
    ScenePane* pane = TargetPane();
    if (!pane)
        return;
    if (name == L"transX")
        ParseDouble2(value, pane->panXMin, pane->panXMax, true);
    else if (name == L"transY")
        ParseDouble2(value, pane->panYMin, pane->panYMax, true);
    else if (name == L"scale")
        ParseDouble2(value, pane->zoomMin, pane->zoomMax, true);
    else if (name == L"clipTrans")
        ParseDouble2(value, pane->clipOffsetMin, pane->clipOffsetMax, true);
}

void SceneEventExecutor::ApplyReset(const std::wstring& name, const std::wstring& value)
{
    ScenePane* pane = TargetPane();
    if (!pane || value != L"on")
        return;
    if (name == L"rot")
        pane->ResetObjectRotation();
    else if (name == L"trans")
        pane->ResetPan();
    else if (name == L"scale")
        pane->ResetZoom();
    else if (name == L"clip")
        pane->ResetClipSwitch();
    else if (name == L"clipRot")
        pane->ResetClipRotation();
    else if (name == L"clipTrans")
        pane->ResetClipOffset();
    else if (name == L"target")
        pane->ResetClipHandleMode();
    else if (name == L"rotCenter" && !state_.sceneLoaded)
        pane->ClearRootCentreOffset();
}

void SceneEventExecutor::ApplySelectMode(const std::wstring& name, const std::wstring& value)
{
    if (name == L"type") {
        renderer_.frameAndArrow = value == L"none" ? 0 : 1;
        if (value == L"pointer")
            renderer_.SetSelectMode(SelectMode::kOverForeLayer);
        else if (value == L"frame")
            renderer_.SetSelectMode(SelectMode::kUnderBackLayer);
        else if (value == L"axes")
            renderer_.SetSelectMode(SelectMode::kWithMainLayer);
    } else if (name == L"pattern_default") {
        static const wchar_t* const kPatterns[] = {L"bottomLeft_arrow",      L"topRight_arrow", L"orange_skyBlue_square",
                                                   L"orange_skyBlue_round", L"white_cube",     L"RGB_cube",
                                                   L"white_xyz"};
        static_assert(std::size(kPatterns) == SceneRenderer::kBuiltInPatterns);
        for (uint8_t i = 0; i < SceneRenderer::kBuiltInPatterns; ++i)
            if (value == kPatterns[i])
                renderer_.SetSelectionPattern(i + 1);
    } else if (name == L"pattern_user" || name == L"original") {
        std::vector<std::wstring> tokens;
        SplitTokens(value, L",", tokens);
        DrawGroup* groups[3] = {};
        for (size_t i = 0; i < 3 && i < tokens.size(); ++i)
            groups[i] = FindGroup(tokens[i]);
        renderer_.SetSelectionPattern(SceneRenderer::kOwnPattern);
        renderer_.SetSelectionGroups(groups[0], groups[1], groups[2]);
    }
}

void SceneEventExecutor::ApplyTimeAnimation(const std::wstring& name, const std::wstring& value)
{
    if (name == L"play") {
        if (value == L"on")
            playRequested_ = true;
    } else if (name == L"speed") {
        ParseInt1(value, state_.playbackInterval);
    } else if (name == L"loop") {
        ParseOnOff(value, state_.playbackLoop);
    }
}

void SceneEventExecutor::ApplyAppearance(const std::wstring& name, const std::wstring& value)
{
    if (name == L"backgroundColor") {
        uint8_t r = 0, g = 0, b = 0;
        // A short colour list keeps the present background.
        if (ParseByte3(value, r, g, b))
            view_.SetBackgroundColor(r, g, b);
    } else if (name == L"fullScreen") {
        if (value == L"on")
            view_.ToggleFullScreen(true);
        else if (value == L"off")
            view_.ToggleFullScreen(false);
    }
}

void SceneEventExecutor::ApplyLabel(EventLabel label, const std::wstring& name, const std::wstring& value)
{
    if (name == L"font") {
        std::vector<std::wstring> tokens;
        SplitTokens(value, L",", tokens);
        if (tokens.empty())
            return;
        double size = 0;
        ParseDouble1(tokens[0], size);
        view_.SetLabelFont(label, size, tokens.size() > 1 ? tokens[1] : std::wstring());
    } else if (name == L"color") {
        uint8_t r = 0, g = 0, b = 0;
        if (ParseByte3(value, r, g, b))
            view_.SetLabelColor(label, r + g * 256u + b * 65536u);
    }
}

void SceneEventExecutor::ApplyEventName(const std::wstring& element, const std::wstring& name,
                                        const std::wstring& value)
{
    if (name != L"name")
        return;
    SceneEvent* event = FindEvent(value);
    if (!event)
        return;
    if (element == L"returnEvent")
        state_.returnEvent = event;
    else
        state_.nextEvent = event;
}

void SceneEventExecutor::ApplyIdleEvent(const EventSetting& setting)
{
    // The wait restarts once the whole setting is read, so that a time
    // written after the name is the one waited for at once.
    SceneEvent* named = nullptr;
    const size_t count = std::min(setting.names.size(), setting.values.size());
    for (size_t i = 0; i < count; ++i) {
        if (setting.names[i] == L"time")
            ParseInt1(setting.values[i], state_.idleTime);
        else if (setting.names[i] == L"name")
            named = FindEvent(setting.values[i]);
    }
    if (!named)
        return;
    state_.idleEvent = named;
    view_.StartTimer(kIdleTimer, IdlePeriodMs(state_.idleTime));
}

void SceneEventExecutor::ApplyHandleAnimation(const std::wstring& name, const std::wstring& value)
{
    double* axis = nullptr;
    int flag = -1;
    if (name == L"rot")
        axis = state_.objectAxis, flag = kTurnBothAnimation;
    else if (name == L"objectRot")
        axis = state_.objectAxis, flag = kObjectTurnAnimation;
    else if (name == L"clipRot")
        axis = state_.clipAxis, flag = kClipTurnAnimation;
    if (axis) {
        double x = 0, y = 0, z = 0;
        if (ParseDouble3(value, x, y, z, true)) {
            axis[0] = x, axis[1] = y, axis[2] = z;
            ReduceTurnAxis(axis);
            state_.animating[flag] = kMoveWrap;
        }
        return;
    }
    struct Motion {
        const wchar_t* base;
        int flag;
    };
    static const Motion kMotions[] = {
        {L"trans", kPanAnimation}, {L"clipTrans", kClipMoveAnimation}, {L"scale", kZoomAnimation}};
    for (const Motion& motion : kMotions) {
        const std::wstring base = motion.base;
        uint8_t mode = 0;
        if (name == base)
            mode = kMoveToLimit;
        else if (name == base + L"_loop")
            mode = kMoveWrap;
        else if (name == base + L"_reflect")
            mode = kMoveReflect;
        if (mode == kMoveNone)
            continue;
        bool parsed = false;
        if (motion.flag == kPanAnimation)
            parsed = ParseDouble2(value, state_.panStep[0], state_.panStep[1], true);
        else if (motion.flag == kClipMoveAnimation)
            parsed = ParseDouble1(value, state_.clipStep, true);
        else
            parsed = ParseDouble1(value, state_.zoomStep, true);
        if (parsed)
            state_.animating[motion.flag] = mode;
        return;
    }
}

void SceneEventExecutor::ApplyTowardAnimation(const EventSetting& setting)
{
    ScenePane* pane = TargetPane();
    ScenePane* active = renderer_.Pane(renderer_.activeSpace);
    if (!pane)
        return;
    if (!active)
        active = pane;
    EventViewState::TowardTarget target;
    target.objectRotation = active->objectRotation;
    target.clipRotation = active->clipRotation;
    target.panX = active->panX;
    target.panY = active->panY;
    target.zoom = active->zoom;
    target.clipOffset = active->clipOffset;
    target.clipOn = pane->clipOn != 0;

    bool objectRot = false, trans = false, scale = false, clipRot = false, clipTrans = false;
    const size_t count = std::min(setting.names.size(), setting.values.size());
    for (size_t i = 0; i < count; ++i) {
        const std::wstring& name = setting.names[i];
        const std::wstring& value = setting.values[i];
        if (name == L"objectRot")
            objectRot = ParseAxisAngle(value, target.objectRotation) || objectRot;
        else if (name == L"trans")
            trans = ParseDouble2(value, target.panX, target.panY, true) || trans;
        else if (name == L"scale")
            scale = ParseDouble1(value, target.zoom, true) || scale;
        else if (name == L"clipRot")
            clipRot = ParseAxisAngle(value, target.clipRotation) || clipRot;
        else if (name == L"clipTrans")
            clipTrans = ParseDouble1(value, target.clipOffset, true) || clipTrans;
        else if (name == L"clip")
            ParseOnOff(value, target.clipOn);
        else if (name == L"step")
            ParseInt1(value, state_.towardSteps);
        else if (name == L"time")
            ParseInt1(value, timerPeriod_);
    }

    const int n = state_.towardSteps;
    if (n > 0) {
        if (objectRot && QuatAngularStep(target.objectRotation, pane->objectRotation, n, state_.objectAxis))
            state_.animating[kObjectTurnAnimation] = kMoveWrap;
        if (trans) {
            state_.panStep[0] = (target.panX - pane->panX) / n;
            state_.panStep[1] = (target.panY - pane->panY) / n;
            if (std::fabs(state_.panStep[0]) > 1e-8 || std::fabs(state_.panStep[1]) > 1e-8)
                state_.animating[kPanAnimation] = kMoveToLimit;
        }
        if (scale && pane->zoom > 0 && target.zoom > 0) {
            state_.zoomStep = std::pow(target.zoom / pane->zoom, 1.0 / n);
            if (std::fabs(state_.zoomStep - 1.0) > 1e-8)
                state_.animating[kZoomAnimation] = kMoveToLimit;
        }
        if (clipRot && QuatAngularStep(target.clipRotation, pane->clipRotation, n, state_.clipAxis))
            state_.animating[kClipTurnAnimation] = kMoveWrap;
        if (clipTrans) {
            state_.clipStep = (target.clipOffset - pane->clipOffset) / n;
            if (std::fabs(state_.clipStep) > 1e-8)
                state_.animating[kClipMoveAnimation] = kMoveToLimit;
        }
    }
    state_.towardTarget = target;
    const uint8_t* f = state_.animating;
    if (f[kPanAnimation] || f[kClipMoveAnimation] || f[kObjectTurnAnimation] || f[kClipTurnAnimation] ||
        f[kZoomAnimation]) {
        state_.stepCounter = 0;
        state_.towardRunning = true;
        return;
    }
    target.ApplyTo(*pane);
}

void SceneEventExecutor::ApplyScaleBar(const std::wstring& name, const std::wstring& value)
{
    SceneRenderer& r = renderer_;
    if (name == L"position")
        ParseFloat2(value, r.scaleBarPosition[0], r.scaleBarPosition[1]);
    else if (name == L"show")
        r.scaleBarShow = OnOff(value, r.scaleBarShow);
    else if (name == L"length")
        ParseFloat1(value, r.scaleBarLength);
    else if (name == L"unit") {
        r.scaleBarUnit = value;
        r.scaleBarChanged = 1;
    }
}

void SceneEventExecutor::ApplyAlterDrawUnit(const EventSetting& setting)
{
    DrawGroup* group = nullptr;
    std::vector<CKxDrawUnit*> selected;
    const size_t count = std::min(setting.names.size(), setting.values.size());
    for (size_t i = 0; i < count; ++i) {
        const std::wstring& name = setting.names[i];
        const std::wstring& value = setting.values[i];
        if (name == L"groupName") {
            if (DrawGroup* found = FindGroup(value))
                group = found;
        } else if (name == L"unitNote") {
            selected.clear();
            if (group)
                for (CKxDrawUnit* unit : group->units)
                    if (unit && unit->note == value)
                        selected.push_back(unit);
        } else if (name == L"hide") {
            for (CKxDrawUnit* unit : selected) {
                if (value == L"on")
                    unit->hidden = true;
                else if (value == L"off")
                    unit->hidden = false;
                else if (value == L"switch")
                    unit->hidden = !unit->hidden;
            }
        } else if (name == L"color" || name == L"ambient" || name == L"diffuse") {
            uint8_t r = 0, g = 0, b = 0;
            if (!ParseByte3(value, r, g, b))
                continue;
            for (CKxDrawUnit* unit : selected) {
                const bool presets = TakesMaterialPresets(unit->Kind());
                auto* mesh = presets ? dynamic_cast<CKxDrawUTriangles*>(unit) : nullptr;
                if (name == L"color") {
                    SetRgb(unit->material.ambient, r, g, b, 0.3f);
                    SetRgb(unit->material.diffuse, r, g, b, 0.7f);
                    if (mesh)
                        SetMaterialPresets(mesh->partMaterials, mesh->colorSchemeMode, unit->material, 1, L"");
                } else if (mesh) {
                    SetRgb(name == L"ambient" ? mesh->partMaterials[0].ambient : mesh->partMaterials[0].diffuse, r, g,
                           b, 1.0f);
                }
            }
        } else if (name == L"renderingType") {
            for (CKxDrawUnit* unit : selected) {
                if (unit->Kind() == UnitKind::kVolume) {
                    if (auto* volume = dynamic_cast<CKxDrawUVolumeR*>(unit))
                        volume->renderingType = value;
                } else if (IsMeshKind(unit->Kind())) {
                    if (auto* mesh = dynamic_cast<CKxDrawUTriangles*>(unit))
                        mesh->renderingType = value;
                }
            }
        }
    }
}

} // namespace velmor
