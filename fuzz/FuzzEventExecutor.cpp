// Event sets made from the input run by the scene event executor on a view
// without a window: chains of any length, loops, names that are missing,
// spaces out of range and numbers of every size. The view's animation timer
// then ticks a few times. No run may crash or hang, and every pane must keep
// finite rotations and a camera box that doubles can hold.
#include "platform/MessageSink.h"
#include "render/SceneEventExecutor.h"
#include "render/SceneRenderer.h"
#include "render/ViewMotion.h"
#include "units/CKxDrawUPrimitive.h"
#include "units/CKxDrawUTriIndex.h"
#include "units/DrawGroup.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace velmor;

namespace {

constexpr int kMostEvents = 24;
constexpr int kMostSettings = 10;
constexpr int kMostAttributes = 5;
constexpr int kMostPanes = 4;
// Chains long enough to loop back from far, short enough for many runs a
// second; the unit tests run the very long ones.
constexpr int kMostChain = 200;
constexpr int kMostRuns = 6;
constexpr int kTicksPerRun = 4;

const std::vector<std::wstring> kElements = {
    L"clipCap", L"transparencyClip", L"shadow", L"fog", L"nearFarRestrict", L"squareRestrict", L"projection",
    L"lightPosition", L"homeAnimation", L"targetSpace", L"topGroup", L"activeSpace", L"backgroundSpace",
    L"foregroundSpace", L"handleAbility", L"homeHandle", L"handle", L"handleLimit", L"reset", L"liveTime",
    L"selectMode", L"timeAnimation", L"showURL", L"appearance", L"captionText", L"friendText", L"idleEvent",
    L"returnEvent", L"nextEvent", L"handleAnimation", L"towardAnimation", L"scaleBar", L"alterDrawUnite", L"other"};

const std::vector<std::wstring> kAttributes = {
    L"mode", L"index", L"name", L"trans", L"scale", L"clip", L"delete", L"rot", L"objectRot", L"clipRot",
    L"clipTrans", L"target", L"rotCenter", L"transX", L"transY", L"set", L"add", L"type", L"pattern_default",
    L"pattern_user", L"original", L"play", L"speed", L"loop", L"url", L"backgroundColor", L"fullScreen", L"font",
    L"color", L"time", L"trans_loop", L"trans_reflect", L"clipTrans_loop", L"clipTrans_reflect", L"scale_loop",
    L"scale_reflect", L"step", L"position", L"show", L"length", L"unit", L"groupName", L"unitNote", L"hide",
    L"ambient", L"diffuse", L"renderingType", L"parameter", L"x"};

const std::vector<std::wstring> kWords = {
    L"on", L"off", L"switch", L"perspective", L"object", L"clip", L"none", L"pointer", L"frame", L"axes",
    L"bottomLeft_arrow", L"white_xyz", L"http://example.invalid/", L"A", L"B", L"mesh", L"ball", L"g0,g1,nope",
    L"", L",", L",,,", L"12,ＭＳ ゴシック"};

const std::vector<std::wstring> kNumbers = {
    L"0", L"1", L"-1", L"-3", L"2", L"3", L"0.5", L"-0.25", L"90", L"360", L"720.5", L"1e308", L"-1e308", L"1e400",
    L"-1e400", L"1e-400", L"4e-320", L"2147483647", L"-2147483648", L"99999999999", L"nan", L"inf", L"0x10", L"255",
    L"256", L"1e-9", L" 7", L"+", L"-", L"."};

class NoMessages final : public MessageSink {
public:
    void Show(const std::wstring&) override {}
};

// The view's side of an event without a window: roles and roots as the
// renderer stores them, timers as a set that the run below ticks.
class HeadlessView final : public EventViewSeam, public MotionHost {
public:
    HeadlessView(SceneRenderer& renderer, CVelmorDoc& document) : renderer_(renderer), document_(document) {}

    void StopAnimations() override { motion.StopAnimations(); }
    void StopPlayback() override { motion.StopPlayback(); }
    void StartPlayback() override { motion.StartPlayback(); }
    void StartTimer(int number, int) override { timers.insert(number); }
    void KillTimer(int number) override { timers.erase(number); }
    void OpenUrl(const std::wstring&) override {}
    void ToggleFullScreen(bool) override {}
    void SetLabelFont(EventLabel, double, const std::wstring&) override {}
    void SetLabelColor(EventLabel, uint32_t) override {}
    void UpdateViewControls() override {}
    void SetPaneRoot(bool, int index, DrawGroup* group) override
    {
        if (ScenePane* pane = renderer_.Pane(index))
            pane->SetRoot(group);
    }
    // The first run stores a role as given; later runs take only panes that exist.
    void SetActiveSpace(bool firstRun, int index) override { SetRole(firstRun, index, renderer_.activeSpace); }
    void SetBackgroundSpace(bool firstRun, int index) override { SetRole(firstRun, index, renderer_.backgroundSpace); }
    void SetForegroundSpace(bool firstRun, int index) override { SetRole(firstRun, index, renderer_.foregroundSpace); }
    void MoveToNextSpace() override { renderer_.activeSpace = NextEventTargetSpace(renderer_); }
    void SetRotationCentre(int, double, double, double) override {}
    void ApplyLightPosition() override {}
    void SetBackgroundColor(uint8_t, uint8_t, uint8_t) override {}
    void RebuildPaneTextures() override {}
    void RenderNow() override {}
    void RunEvent(SceneEvent& event) override { SceneEventExecutor(renderer_, document_, state, *this).RunEvent(event); }
    void ResetRotationCentre(int) override {}

private:
    void SetRole(bool firstRun, int index, int32_t& role)
    {
        if (firstRun)
            role = index;
        else
            role = renderer_.Pane(index) != nullptr ? index : -1;
    }

    SceneRenderer& renderer_;
    CVelmorDoc& document_;

public:
    EventViewState state;
    ViewMotion motion{renderer_, state, *this};
    std::set<int> timers;
};

std::wstring Pick(FuzzedDataProvider& in, const std::vector<std::wstring>& list)
{
    return list[in.ConsumeIntegralInRange<size_t>(0, list.size() - 1)];
}

std::wstring EventName(FuzzedDataProvider& in, int events)
{
    const int n = in.ConsumeIntegralInRange<int>(0, events + 1);
    if (n == events)
        return L"c0";   // the head of the long chain
    if (n > events)
        return L"missing";
    return L"e" + std::to_wstring(n);
}

std::wstring Value(FuzzedDataProvider& in, int events)
{
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
        return Pick(in, kWords);
    case 1:
        return EventName(in, events);
    case 2: {
        // A list of up to five numbers, as the decimal lists read them.
        std::wstring list = Pick(in, kNumbers);
        for (int i = in.ConsumeIntegralInRange<int>(0, 4); i > 0; --i)
            list += L"," + Pick(in, kNumbers);
        return list;
    }
    case 3: {
        std::wstring raw;
        for (char c : in.ConsumeRandomLengthString(24))
            raw += static_cast<wchar_t>(static_cast<unsigned char>(c));
        return raw;
    }
    default:
        return Pick(in, kNumbers);
    }
}

void AddSettings(FuzzedDataProvider& in, SceneEvent& event, int events)
{
    for (int s = in.ConsumeIntegralInRange<int>(0, kMostSettings); s > 0 && in.remaining_bytes() > 0; --s) {
        EventSetting setting;
        setting.elementName = Pick(in, kElements);
        for (int a = in.ConsumeIntegralInRange<int>(0, kMostAttributes); a > 0; --a) {
            setting.names.push_back(Pick(in, kAttributes));
            setting.values.push_back(Value(in, events));
        }
        event.settings.push_back(std::move(setting));
    }
}

void AddEvent(CVelmorDoc& document, const std::wstring& name, std::vector<SceneEvent*>& made)
{
    auto& slot = document.events[name];
    slot = std::make_unique<SceneEvent>(name);
    made.push_back(slot.get());
}

// A chain c0 -> c1 -> ... whose every link changes the pane a little and
// starts nothing; its end may loop back into it.
void AddChain(FuzzedDataProvider& in, CVelmorDoc& document, std::vector<SceneEvent*>& made)
{
    const int length = in.ConsumeIntegralInRange<int>(0, kMostChain);
    const int loopTo = in.ConsumeIntegralInRange<int>(-1, length);
    for (int i = 0; i < length; ++i) {
        AddEvent(document, L"c" + std::to_wstring(i), made);
        const bool last = i + 1 == length;
        const int next = last ? loopTo : i + 1;
        made.back()->settings.push_back({L"handle", {L"trans"}, {L"0.0001,-0.0001"}});
        if (next >= 0)
            made.back()->settings.push_back({L"nextEvent", {L"name"}, {L"c" + std::to_wstring(next)}});
    }
}

bool Finite(const Quaternion& q) { return std::isfinite(q.w) && std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z); }

void CheckPanes(const SceneRenderer& renderer)
{
    for (int i = 0; i < renderer.paneCount; ++i) {
        const ScenePane& pane = renderer.panes[i];
        for (const Quaternion* q : {&pane.objectRotation, &pane.clipRotation, &pane.clipRelativeRotation,
                                    &pane.homeObjectRotation, &pane.homeClipRotation})
            if (!Finite(*q))
                __builtin_trap();
        for (int k = 0; k < 16; ++k)
            if (!std::isfinite(pane.objectMatrix[k]) || !std::isfinite(pane.clipMatrix[k]))
                __builtin_trap();
        for (ProjectionMode mode :
             {ProjectionMode::kScene, ProjectionMode::kFollowingLayer, ProjectionMode::kFixedLayer}) {
            const PaneProjection p = ComputePaneProjection(pane, mode, renderer);
            for (double v : {p.left, p.right, p.bottom, p.top, p.nearPlane, p.farPlane})
                if (!std::isfinite(v))
                    __builtin_trap();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static NoMessages quiet;
    SetMessageSink(&quiet);
    FuzzedDataProvider in(data, size);

    CVelmorDoc document;
    for (const wchar_t* name : {L"g0", L"g1"})
        document.drawGroups.emplace(name, std::make_unique<DrawGroup>(name));
    DrawGroup& g0 = *document.drawGroups[L"g0"];
    auto* ball = new CKxDrawUPrimitive(&g0);
    ball->note = L"ball";
    g0.units = {ball, new CKxDrawUTriIndex(&g0, L"mesh")};

    DrawGroup placeholder(L"placeholder");
    SceneRenderer renderer;
    PublishRenderSettings(&renderer);
    renderer.placeholderGroup = &placeholder;
    renderer.halfExtentX = 1.0;
    renderer.halfExtentY = in.ConsumeBool() ? 1.0 : 0.75;
    renderer.paneCount = in.ConsumeIntegralInRange<int>(1, kMostPanes);
    renderer.linkPanes = in.ConsumeBool() ? 1 : 0;
    if (!renderer.CreatePanes()) {
        PublishRenderSettings(nullptr);
        return 0;
    }
    renderer.activeSpace = 0;

    const int events = in.ConsumeIntegralInRange<int>(1, kMostEvents);
    std::vector<SceneEvent*> made;
    for (int e = 0; e < events; ++e)
        AddEvent(document, L"e" + std::to_wstring(e), made);
    AddChain(in, document, made);
    for (int e = 0; e < events; ++e)
        AddSettings(in, *made[e], events);

    HeadlessView view(renderer, document);
    view.state.sceneLoaded = true;
    for (int run = in.ConsumeIntegralInRange<int>(1, kMostRuns); run > 0; --run) {
        const std::wstring name = EventName(in, events);
        const auto found = document.events.find(name);
        if (found != document.events.end())
            view.RunEvent(*found->second);
        for (int tick = 0; tick < kTicksPerRun && view.timers.count(kAnimationTimer) != 0; ++tick)
            view.motion.OnTimer(kAnimationTimer);
        if (in.ConsumeBool())
            view.motion.OnHome();
        CheckPanes(renderer);
    }
    PublishRenderSettings(nullptr);
    return 0;
}
