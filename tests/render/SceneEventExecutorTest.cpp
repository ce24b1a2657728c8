#include "render/SceneEventExecutor.h"
#include "render/SceneRenderer.h"
#include "render/RenderListener.h"
#include "units/CKxDrawUTriIndex.h"
#include "units/CKxDrawUVolumeR.h"
#include "units/DrawGroup.h"

#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>

using namespace velmor;

namespace {

// Records what an event asks of the view.
class RecordingSeam final : public EventViewSeam {
public:
    void StopAnimations() override { calls.push_back(L"stopAnimations"); }
    void StopPlayback() override { calls.push_back(L"stopPlayback"); }
    void StartPlayback() override { calls.push_back(L"startPlayback"); }
    void StartTimer(int id, int periodMs) override
    {
        calls.push_back(L"timer " + std::to_wstring(id) + L" " + std::to_wstring(periodMs));
    }
    void OpenUrl(const std::wstring& url) override { calls.push_back(L"open " + url); }
    void ToggleFullScreen(bool on) override { calls.push_back(on ? L"fullScreen on" : L"fullScreen off"); }
    void SetLabelFont(EventLabel label, double size, const std::wstring& face) override
    {
        calls.push_back(std::wstring(label == EventLabel::Caption ? L"caption" : L"friend") + L" font " +
                        std::to_wstring(static_cast<int>(size)) + L" " + face);
    }
    void SetLabelColor(EventLabel label, uint32_t colour) override
    {
        calls.push_back(std::wstring(label == EventLabel::Caption ? L"caption" : L"friend") + L" colour " +
                        std::to_wstring(colour));
    }
    void UpdateViewControls() override { calls.push_back(L"updateControls"); }
    void SetPaneRoot(bool firstRun, int index, DrawGroup* group) override
    {
        calls.push_back(L"root " + std::to_wstring(firstRun) + L" " + std::to_wstring(index) + L" " + group->name);
    }
    void SetActiveSpace(bool firstRun, int index) override
    {
        calls.push_back(L"active " + std::to_wstring(firstRun) + L" " + std::to_wstring(index));
    }
    void SetBackgroundSpace(bool, int index) override { calls.push_back(L"background " + std::to_wstring(index)); }
    void SetForegroundSpace(bool, int index) override { calls.push_back(L"foreground " + std::to_wstring(index)); }
    void MoveToNextSpace() override { calls.push_back(L"nextSpace"); }
    void SetRotationCentre(int index, double, double, double) override
    {
        calls.push_back(L"centre " + std::to_wstring(index));
    }
    void ApplyLightPosition() override { calls.push_back(L"light"); }
    void SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b) override
    {
        calls.push_back(L"bg " + std::to_wstring(r) + L"," + std::to_wstring(g) + L"," + std::to_wstring(b));
    }
    void RebuildPaneTextures() override { calls.push_back(L"rebuild"); }

    bool Called(const std::wstring& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }
    std::vector<std::wstring> calls;
};

using Attributes = std::initializer_list<std::pair<const wchar_t*, const wchar_t*>>;

// Three panes, 0 active; groups "A" and "B" in the document.
class EventExecutorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PublishRenderSettings(&renderer);
        renderer.placeholderGroup = &placeholder;
        renderer.paneCount = 3;
        ASSERT_TRUE(renderer.CreatePanes());
        renderer.activeSpace = 0;
        for (const wchar_t* name : {L"A", L"B"})
            groupA = document.drawGroups.emplace(name, std::make_unique<DrawGroup>(name)).first->second.get();
        groupA = document.drawGroups[L"A"].get();
        renderer.panes[0].root = groupA;
    }
    void TearDown() override { PublishRenderSettings(nullptr); }

    SceneEvent& AddEvent(const std::wstring& name)
    {
        return *document.events.emplace(name, std::make_unique<SceneEvent>(name)).first->second;
    }
    static void Add(SceneEvent& event, const std::wstring& element, Attributes attributes)
    {
        EventSetting setting;
        setting.elementName = element;
        for (auto& [n, v] : attributes) {
            setting.names.push_back(n);
            setting.values.push_back(v);
        }
        event.settings.push_back(std::move(setting));
    }
    void Run(SceneEvent& event) { executor.RunEvent(event); }
    void RunOne(const std::wstring& element, Attributes attributes)
    {
        SceneEvent event(L"one");
        Add(event, element, attributes);
        Run(event);
    }
    ScenePane& P(int i) { return renderer.panes[i]; }

    DrawGroup placeholder{L"placeholder"};
    DrawGroup* groupA = nullptr;
    SceneRenderer renderer;
    CVelmorDoc document;
    EventViewState state;
    RecordingSeam seam;
    SceneEventExecutor executor{renderer, document, state, seam};
};

} // namespace

TEST_F(EventExecutorTest, RunStopsMotionsFirstAndRefreshesControlsLast)
{
    state.animating[0] = 2;
    RunOne(L"noSuchElement", {{L"mode", L"on"}});
    ASSERT_GE(seam.calls.size(), 3u);
    EXPECT_EQ(seam.calls[0], L"stopAnimations");
    EXPECT_EQ(seam.calls[1], L"stopPlayback");
    EXPECT_EQ(seam.calls.back(), L"updateControls");
}

TEST_F(EventExecutorTest, RenderSwitchesTakeTheirWordsAndKeepOthers)
{
    renderer.fog = 1;
    RunOne(L"clipCap", {{L"mode", L"off"}});
    RunOne(L"fog", {{L"mode", L"maybe"}, {L"parameter", L"off"}});
    RunOne(L"shadow", {{L"mode", L"1"}});
    RunOne(L"nearFarRestrict", {{L"mode", L"2"}});
    RunOne(L"projection", {{L"mode", L"perspective"}});
    EXPECT_EQ(renderer.clipCap, 0);
    EXPECT_EQ(renderer.fog, 1);
    EXPECT_EQ(renderer.shadow, 1u);
    EXPECT_EQ(renderer.nearFarRestrict, 2u);
    EXPECT_EQ(renderer.projection, 1);
    RunOne(L"projection", {{L"mode", L"xyz"}});
    EXPECT_EQ(renderer.projection, 0);
    RunOne(L"lightPosition", {{L"mode", L"3"}});
    EXPECT_EQ(renderer.lightPosition, 3u);
    EXPECT_TRUE(seam.Called(L"light"));
    RunOne(L"homeAnimation", {{L"mode", L"2"}});
    EXPECT_EQ(state.homeAnimationSteps, 20);
    RunOne(L"homeAnimation", {{L"mode", L"4"}});
    EXPECT_EQ(state.homeAnimationSteps, 20);
}

TEST_F(EventExecutorTest, TargetSpaceSteersPaneSettings)
{
    P(2).root = groupA;   // pane 1 still shows the placeholder
    SceneEvent event(L"e");
    Add(event, L"targetSpace", {{L"index", L"-3"}});
    Add(event, L"handleAbility", {{L"trans", L"off"}, {L"delete", L"off"}});
    Add(event, L"homeHandle", {{L"trans", L"0.5,0.25"}, {L"scale", L"2"}, {L"target", L"clip"}, {L"clip", L"on"}});
    Add(event, L"handleLimit", {{L"transX", L"-3,3"}, {L"scale", L"0.5,9"}});
    Add(event, L"activeSpace", {{L"index", L"-3"}});
    Add(event, L"topGroup", {{L"name", L"B"}});
    Add(event, L"topGroup", {{L"name", L"missing"}});
    Run(event);
    EXPECT_EQ(P(2).panAllowed, 0);
    EXPECT_EQ(P(2).deleteAllowed, 0);
    EXPECT_EQ(P(2).zoomAllowed, 1);
    EXPECT_EQ(P(2).homePanX, 0.5);
    EXPECT_EQ(P(2).homePanY, 0.25);
    EXPECT_EQ(P(2).homeZoom, 2.0);
    EXPECT_EQ(P(2).homeClipHandleMode, 1);
    EXPECT_EQ(P(2).homeClipOn, 1);
    EXPECT_EQ(P(2).panXMin, -3.0);
    EXPECT_EQ(P(2).zoomMax, 9.0);
    EXPECT_TRUE(seam.Called(L"active 0 2"));
    EXPECT_TRUE(seam.Called(L"root 0 2 B"));
    EXPECT_EQ(std::count_if(seam.calls.begin(), seam.calls.end(), [](auto& c) { return c.starts_with(L"root"); }), 1);
    EXPECT_EQ(P(0).panAllowed, 1);
}

TEST_F(EventExecutorTest, NextSpaceWithOneOrdinaryPaneIsTheActiveOne)
{
    renderer.backgroundSpace = 2;
    EXPECT_EQ(NextEventTargetSpace(renderer), 0);
    renderer.activeSpace = -1;
    EXPECT_EQ(NextEventTargetSpace(renderer), 0);
    renderer.activeSpace = INT32_MAX;   // as a first event may store it
    EXPECT_EQ(NextEventTargetSpace(renderer), 0);
}

TEST_F(EventExecutorTest, ShortDecimalListsShowTheErrorAndChangeNothing)
{
    test::MessageRecorder messages;
    RunOne(L"homeHandle", {{L"trans", L"0.5"}, {L"rot", L"90,0"}});
    EXPECT_EQ(P(0).homePanX, 0.0);
    EXPECT_EQ(P(0).homeObjectRotation, Quaternion{});
    EXPECT_EQ(messages.Messages(), (std::vector<std::wstring>{L"SetDoubleParam error.", L"SetDoubleParam error."}));
}

TEST_F(EventExecutorTest, HandleMovesAndResetsTheTargetPane)
{
    RunOne(L"handle", {{L"trans", L"0.2,0.1"}, {L"scale", L"2"}, {L"clip", L"on"}, {L"target", L"switch"},
                        {L"clipTrans", L"0.5"}, {L"rot", L"90,0,0,1"}, {L"delete", L"on"}, {L"rotCenter", L"1,2,3"}});
    EXPECT_NEAR(P(0).panX, 0.2, 1e-12);
    EXPECT_NEAR(P(0).zoom, 2.0, 1e-12);
    EXPECT_EQ(P(0).clipOn, 1);
    EXPECT_EQ(P(0).clipHandleMode, 1);
    EXPECT_NEAR(P(0).clipOffset, 0.5, 1e-12);
    EXPECT_NE(P(0).objectRotation, Quaternion{});
    EXPECT_TRUE(seam.Called(L"nextSpace"));
    EXPECT_TRUE(seam.Called(L"centre 0"));
    RunOne(L"reset", {{L"trans", L"on"}, {L"scale", L"yes"}, {L"rot", L"on"}, {L"target", L"on"}});
    EXPECT_EQ(P(0).panX, 0.0);
    EXPECT_NEAR(P(0).zoom, 2.0, 1e-12);
    EXPECT_EQ(P(0).objectRotation, Quaternion{});
    EXPECT_EQ(P(0).clipHandleMode, 0);
}

TEST_F(EventExecutorTest, SelectionMarkerPatternsAndUserGroups)
{
    RunOne(L"selectMode", {{L"type", L"none"}, {L"pattern_default", L"white_cube"}});
    EXPECT_EQ(renderer.frameAndArrow, 0);
    EXPECT_EQ(renderer.selectionPattern, 5);
    RunOne(L"selectMode", {{L"type", L"frame"}, {L"pattern_user", L"B,missing"}});
    EXPECT_EQ(renderer.frameAndArrow, 1);
    EXPECT_EQ(renderer.selectMode, SelectMode::kUnderBackLayer);
    EXPECT_EQ(renderer.selectionPattern, 255);
    EXPECT_EQ(renderer.selectionGroupA, document.drawGroups[L"B"].get());
    EXPECT_EQ(renderer.selectionGroupB, &placeholder);
}

TEST_F(EventExecutorTest, ViewSeamsReceiveLabelsUrlsAppearanceAndPlayback)
{
    RunOne(L"showURL", {{L"url", L"https://example.org/a"}});
    RunOne(L"appearance", {{L"backgroundColor", L"10,20,30"}, {L"backgroundColor", L"1,2"}, {L"fullScreen", L"on"}});
    RunOne(L"captionText", {{L"font", L"14,Sans"}, {L"color", L"1,2,3"}});
    RunOne(L"friendText", {{L"font", L"9"}});
    RunOne(L"timeAnimation", {{L"speed", L"50"}, {L"loop", L"on"}, {L"play", L"on"}});
    for (const wchar_t* call : {L"open https://example.org/a", L"bg 10,20,30", L"fullScreen on", L"caption font 14 Sans",
                                L"caption colour 197121", L"friend font 9 ", L"startPlayback"})
        EXPECT_TRUE(seam.Called(call)) << call;
    EXPECT_EQ(std::count_if(seam.calls.begin(), seam.calls.end(), [](auto& c) { return c.starts_with(L"bg"); }), 1);
    EXPECT_EQ(state.playbackInterval, 50);
    EXPECT_TRUE(state.playbackLoop);
}

TEST_F(EventExecutorTest, OnlyWebAddressesReachTheOpener)
{
    // A scene is untrusted: programs, local files and other schemes must not
    // reach the desktop's opener.
    for (const wchar_t* url : {L"file:///etc/passwd", L"/usr/bin/xterm", L"javascript:alert(1)", L"ssh://host",
                               L"http://", L" https://example.org", L"smb://share/x", L"HTTP:example.org"})
        RunOne(L"showURL", {{L"url", url}});
    RunOne(L"showURL", {{L"url", L"HTTPS://Example.org/b"}, {L"url", L"http://example.org/c"}});
    std::vector<std::wstring> opened;
    for (const std::wstring& call : seam.calls)
        if (call.starts_with(L"open ")) opened.push_back(call);
    EXPECT_EQ(opened, (std::vector<std::wstring>{L"open HTTPS://Example.org/b", L"open http://example.org/c"}));
}

TEST_F(EventExecutorTest, ScaleBarFieldsAndItsUnitMark)
{
    RunOne(L"scaleBar", {{L"position", L"0.5,0.25"}, {L"show", L"on"}, {L"length", L"10"}, {L"unit", L"cm"}});
    EXPECT_EQ(renderer.scaleBarPosition[0], 0.5f);
    EXPECT_EQ(renderer.scaleBarShow, 1);
    EXPECT_EQ(renderer.scaleBarLength, 10.0f);
    EXPECT_EQ(renderer.scaleBarUnit, L"cm");
    EXPECT_EQ(renderer.scaleBarChanged, 1);
}

TEST_F(EventExecutorTest, HandleAnimationStartsTheAnimationTimer)
{
    RunOne(L"handleAnimation", {{L"trans_reflect", L"0.01,0"}, {L"rot", L"0,1,0"}, {L"scale_loop", L"1.01"}});
    EXPECT_EQ(state.animating[0], 4);
    EXPECT_EQ(state.animating[2], 3);
    EXPECT_EQ(state.animating[5], 3);
    EXPECT_EQ(state.panStep[0], 0.01);
    EXPECT_TRUE(seam.Called(L"timer 1 20"));
}

TEST_F(EventExecutorTest, TowardAnimationStepsOrSetsAtOnce)
{
    SceneEvent& after = AddEvent(L"after");
    Add(after, L"fog", {{L"mode", L"on"}});
    SceneEvent event(L"toward");
    Add(event, L"towardAnimation", {{L"trans", L"0,0"}, {L"scale", L"1"}, {L"clip", L"on"}, {L"step", L"10"}});
    Add(event, L"nextEvent", {{L"name", L"after"}});
    Run(event);
    EXPECT_FALSE(state.AnyAnimation());
    EXPECT_EQ(P(0).clipOn, 1);
    EXPECT_EQ(renderer.fog, 1);   // the next event ran at once

    SceneEvent move(L"move");
    Add(move, L"towardAnimation", {{L"trans", L"1,0"}, {L"scale", L"4"}, {L"step", L"2"}, {L"time", L"40"}});
    Run(move);
    EXPECT_EQ(state.animating[0], 2);
    EXPECT_NEAR(state.panStep[0], 0.5, 1e-12);
    EXPECT_NEAR(state.zoomStep, 2.0, 1e-12);
    EXPECT_TRUE(state.towardRunning);
    EXPECT_EQ(state.stepCounter, 0);
    EXPECT_EQ(state.towardTarget.panX, 1.0);
    EXPECT_TRUE(seam.Called(L"timer 1 40"));
    EXPECT_EQ(P(0).panX, 0.0);
}

TEST_F(EventExecutorTest, EventChainsThatLoopBackEnd)
{
    SceneEvent& a = AddEvent(L"a");
    SceneEvent& b = AddEvent(L"b");
    Add(a, L"nextEvent", {{L"name", L"b"}});
    Add(b, L"nextEvent", {{L"name", L"a"}});
    Run(a);
    EXPECT_EQ(std::count(seam.calls.begin(), seam.calls.end(), L"stopAnimations"), 2);
}

TEST_F(EventExecutorTest, LongChainsRunInOrderWithoutNesting)
{
    // Deep enough that one run inside the other overflows the stack.
    constexpr int kLength = 100000;
    for (int i = 0; i < kLength; ++i) {
        SceneEvent& e = AddEvent(L"e" + std::to_wstring(i));
        Add(e, L"handle", {{L"trans", L"0.000001,0"}});
        Add(e, L"nextEvent", {{L"name", (L"e" + std::to_wstring((i + 1) % kLength)).c_str()}});
    }
    Add(*document.events[L"e50000"], L"timeAnimation", {{L"play", L"on"}});
    // The last one's animation ends the chain before it loops back.
    Add(*document.events[L"e" + std::to_wstring(kLength - 1)], L"handleAnimation", {{L"rot", L"0,1,0"}});
    Run(*document.events[L"e0"]);
    EXPECT_NEAR(P(0).panX, kLength * 0.000001, 1e-9);
    EXPECT_EQ(std::count(seam.calls.begin(), seam.calls.end(), L"stopAnimations"), kLength);
    // The last event's timer, then the playback the middle one asked for
    // once its successors had run, then the controls.
    const std::vector<std::wstring> tail(seam.calls.end() - 3, seam.calls.end());
    EXPECT_EQ(tail, (std::vector<std::wstring>{L"timer 1 20", L"startPlayback", L"updateControls"}));
}

TEST_F(EventExecutorTest, HugeTurnsAndMovesLeaveRotationsAndTheCameraFinite)
{
    renderer.halfExtentX = renderer.halfExtentY = 1;
    SceneEvent event(L"huge");
    Add(event, L"handleLimit", {{L"transX", L"-1e400,1e400"}});
    Add(event, L"handle", {{L"objectRot", L"1e308,0,0,1"}, {L"clipRot", L"1e308,1e308,1e308,1e308"},
                           {L"trans", L"1e400,0"}, {L"trans", L"1e400,0"}});
    Add(event, L"handleAnimation", {{L"rot", L"1e308,1e308,1e308"}});
    Run(event);
    EXPECT_EQ(P(0).objectRotation, QuatFromAxisAngle(ReduceDegrees(1e308), 0, 0, 1));
    EXPECT_TRUE(std::isfinite(P(0).clipRotation.w));
    EXPECT_LT(std::hypot(state.objectAxis[0], state.objectAxis[1], state.objectAxis[2]), 360);
    const PaneProjection p = ComputePaneProjection(P(0), ProjectionMode::kScene, renderer);
    EXPECT_EQ(p.right, 1.0);   // the pan past the double range is drawn unpanned
    SceneEvent toward(L"toward");
    Add(toward, L"towardAnimation", {{L"scale", L"1e-400"}, {L"step", L"0"}});
    Run(toward);
    EXPECT_EQ(ComputePaneProjection(P(0), ProjectionMode::kScene, renderer).right, 1.0);
}

TEST_F(EventExecutorTest, IdleReturnAndUnknownEventNames)
{
    SceneEvent& idle = AddEvent(L"idle");
    RunOne(L"idleEvent", {{L"time", L"30"}, {L"name", L"idle"}});
    RunOne(L"returnEvent", {{L"name", L"idle"}});
    RunOne(L"returnEvent", {{L"name", L"nothing"}});
    EXPECT_EQ(state.idleTime, 30);
    EXPECT_EQ(state.idleEvent, &idle);
    EXPECT_EQ(state.returnEvent, &idle);
    EXPECT_TRUE(seam.Called(L"timer 42 30000"));
    // A time written after the name is the wait at once.
    RunOne(L"idleEvent", {{L"name", L"idle"}, {L"time", L"5"}});
    EXPECT_TRUE(seam.Called(L"timer 42 5000"));
}

TEST_F(EventExecutorTest, FirstRunClearsLinkingAndCapsAndShadow)
{
    renderer.paneCount = 1;
    ASSERT_TRUE(renderer.CreatePanes());
    renderer.linkPanes = 1;
    renderer.shadow = 1;
    state.sceneLoaded = true;
    SceneEvent event(L"first");
    Add(event, L"nearFarRestrict", {{L"mode", L"1"}});
    Add(event, L"activeSpace", {{L"index", L"0"}});
    Run(event);
    EXPECT_TRUE(seam.Called(L"active 1 0"));
    EXPECT_EQ(renderer.linkPanes, 0);
    EXPECT_EQ(renderer.clipCap, 0);
    EXPECT_EQ(renderer.shadow, 0u);
    EXPECT_TRUE(seam.Called(L"rebuild"));
    EXPECT_FALSE(state.sceneLoaded);
}

TEST_F(EventExecutorTest, AlterDrawUnitSelectsByNoteAndRecolours)
{
    auto* mesh = new CKxDrawUTriIndex(groupA, L"jaw");
    auto* volume = new CKxDrawUVolumeR(groupA);
    volume->note = L"jaw";
    auto* other = new CKxDrawUTriIndex(groupA, L"skull");
    groupA->units = {mesh, volume, other};
    other->hidden = true;

    RunOne(L"alterDrawUnite", {{L"groupName", L"A"}, {L"hide", L"on"}});
    EXPECT_FALSE(mesh->hidden);   // nothing selected without a note

    RunOne(L"alterDrawUnite", {{L"groupName", L"A"}, {L"unitNote", L"jaw"}, {L"hide", L"switch"},
                                {L"color", L"255,0,0"}, {L"diffuse", L"0,255,0"}, {L"renderingType", L"B"}});
    EXPECT_TRUE(mesh->hidden);
    EXPECT_TRUE(volume->hidden);
    EXPECT_TRUE(other->hidden);
    EXPECT_NEAR(mesh->material.ambient[0], 0.3f, 1e-6);
    EXPECT_NEAR(mesh->material.diffuse[0], 0.7f, 1e-6);
    EXPECT_EQ(mesh->material.diffuse[1], 0.0f);
    EXPECT_NEAR(volume->material.diffuse[0], 0.7f, 1e-6);
    EXPECT_EQ(mesh->partMaterials[0].diffuse[1], 1.0f);
    EXPECT_NEAR(mesh->partMaterials[0].ambient[0], 0.3f, 1e-6);
    EXPECT_EQ(mesh->renderingType, L"B");
    EXPECT_EQ(volume->renderingType, L"B");
    EXPECT_EQ(other->renderingType, L"A");
}

TEST_F(EventExecutorTest, EveryEventEndsWithTheRenderOptionsWindowShowingItsSettings)
{
    // The window writes all its controls back on the next change, so it must
    // show what each event set, not only the first.
    struct InfoWindows : RenderListener {
        std::vector<bool> refreshes;
        void SceneInfoChanged(bool shown) override { refreshes.push_back(shown); }
    } windows;
    renderer.listener = &windows;
    state.sceneLoaded = false;
    RunOne(L"fog", {{L"mode", L"on"}});
    RunOne(L"projection", {{L"mode", L"perspective"}});
    renderer.listener = nullptr;
    EXPECT_EQ(windows.refreshes, (std::vector<bool>{true, true}));
}
