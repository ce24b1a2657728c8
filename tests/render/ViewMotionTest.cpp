// The view's motions without a window: timers are recorded and ticked by
// hand, the renderer's panes are plain records.
#include "render/ViewMotion.h"
#include "render/SceneRenderer.h"
#include "render/ViewServices.h"
#include "scene/CVelmorDoc.h"
#include "support/PlainPanes.h"
#include "units/DrawGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace velmor;

namespace {

class RecordingHost final : public MotionHost {
public:
    void StartTimer(int number, int periodMs) override { timers[number] = periodMs; }
    void KillTimer(int number) override { timers.erase(number); }
    void RenderNow() override { ++frames; }
    void UpdateViewControls() override { ++refreshes; }
    void RunEvent(SceneEvent& event) override
    {
        ran.push_back(event.name);
        if (onRun) onRun(event);
    }
    void ResetRotationCentre(int paneIndex) override { recentred.push_back(paneIndex); }

    bool Running(int number) const { return timers.count(number) != 0; }
    std::map<int, int> timers;
    int frames = 0, refreshes = 0;
    std::vector<std::wstring> ran;
    std::vector<int> recentred;
    std::function<void(SceneEvent&)> onRun;
};

class ViewMotionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(panes.created); }
    ScenePane& Active() { return renderer.panes[0]; }
    // Ticks the animation timer while it runs, at most `limit` times.
    int TickAnimation(int limit = 1000)
    {
        int ticks = 0;
        while (host.Running(kAnimationTimer) && ticks < limit) {
            motion.OnTimer(kAnimationTimer);
            ++ticks;
        }
        return ticks;
    }

    test::PlainPanes panes{1};
    SceneRenderer& renderer = panes.renderer;
    EventViewState state;
    RecordingHost host;
    ViewMotion motion{renderer, state, host};
};

TEST(ViewInputTiming, ClicksFlicksAndRepressesFollowTheEventTimes)
{
    EXPECT_TRUE(IsClick(100, 100, 107, 93));
    EXPECT_FALSE(IsClick(100, 100, 108, 100));
    EXPECT_FALSE(IsClick(100, 100, 100, 92));
    EXPECT_TRUE(IsFlick(1099, 1000));
    EXPECT_FALSE(IsFlick(1100, 1000));
    // A release stamped before the last move (clocks of different sources)
    // is no flick; the clock may wrap between them.
    EXPECT_FALSE(IsFlick(999, 1000));
    EXPECT_TRUE(IsFlick(5, 0xFFFFFFF0u));
    EXPECT_TRUE(IsRepress(1009, 1000));
    EXPECT_FALSE(IsRepress(1010, 1000));
    EXPECT_EQ(IdlePeriodMs(0), 60000);
    EXPECT_EQ(IdlePeriodMs(5), 5000);
}

TEST_F(ViewMotionTest, HomeAnimatesBackInItsStepsAndJumpsWithoutThem)
{
    ScenePane& pane = Active();
    pane.StoreRotationStart();
    pane.Rotate(90, 0, 1, 0, true, true);
    pane.panX = 0.4;
    pane.zoom = 2;
    pane.clipOn = 1;
    motion.OnHome();
    EXPECT_TRUE(state.homeRunning);
    EXPECT_EQ(pane.clipOn, 0);   // the clip plane is off while it moves
    EXPECT_EQ(host.recentred, std::vector<int>{0});
    EXPECT_EQ(TickAnimation(), 8);
    EXPECT_FALSE(state.homeRunning);
    EXPECT_EQ(pane.objectRotation, Quaternion{});
    EXPECT_EQ(pane.panX, 0);
    EXPECT_EQ(pane.zoom, 1);

    // At home nothing is to move: no timer, and the frame is drawn at once
    // (the clip plane may have moved).
    const int frames = host.frames;
    motion.OnHome();
    EXPECT_FALSE(host.Running(kAnimationTimer));
    EXPECT_EQ(host.frames, frames + 1);

    state.homeAnimationSteps = 0;
    pane.panY = -0.5;
    motion.OnHome();
    EXPECT_FALSE(host.Running(kAnimationTimer));
    EXPECT_EQ(pane.panY, 0);
    EXPECT_EQ(host.frames, frames + 2);
}

TEST_F(ViewMotionTest, AReflectingPanFlickTurnsAtTheLimitAndKeepsGoing)
{
    state.panStep[0] = 0.5;
    motion.StartPanInertia(kMoveReflect);
    double largest = 0;
    for (int i = 0; i < 12; ++i) {
        motion.OnTimer(kAnimationTimer);
        largest = std::max(largest, Active().panX);
    }
    EXPECT_EQ(largest, 2.0);   // the pan limit
    EXPECT_LT(Active().panX, 2.0);
    EXPECT_TRUE(host.Running(kAnimationTimer));
    EXPECT_EQ(state.animating[0], kMoveReflect);
    motion.StopAnimations();
    EXPECT_FALSE(host.Running(kAnimationTimer));
}

// "rot" and "objectRot" of one event both turn the object: twice a tick
// (by 10 degrees each), the clip plane once.
TEST_F(ViewMotionTest, BothObjectTurnsOfAnEventAddUp)
{
    state.objectAxis[1] = 10;
    state.animating[2] = state.animating[3] = 3;
    motion.OnTimer(kAnimationTimer);
    EXPECT_NEAR(Active().objectRotation.w, std::cos(20 * std::acos(-1.0) / 360), 1e-9);
    EXPECT_NEAR(Active().clipRotation.w, std::cos(10 * std::acos(-1.0) / 360), 1e-9);
}

TEST_F(ViewMotionTest, ATowardAnimationLandsOnItsTargetAndRunsTheNextEvent)
{
    SceneEvent next(L"next");
    state.towardSteps = 4;
    state.towardTarget.panX = 0.8;   // beyond nothing: reached in 4 steps
    state.towardTarget.zoom = 1;
    state.panStep[0] = 0.2;
    state.animating[0] = 2;
    state.stepCounter = 0;
    state.towardRunning = true;
    state.nextEvent = &next;
    motion.StartTimer(kAnimationTimer, 20);
    EXPECT_EQ(TickAnimation(), 4);
    EXPECT_DOUBLE_EQ(Active().panX, 0.8);
    EXPECT_EQ(host.ran, std::vector<std::wstring>{L"next"});

    // A target the pan limit cuts short still lands and runs its next event.
    host.ran.clear();
    Active().panXMax = 0;   // upper bound 1.0 at zoom 1
    state.towardTarget.panX = 3;
    state.panStep[0] = 1;
    state.animating[0] = 2;
    state.stepCounter = 0;
    state.towardRunning = true;
    motion.StartTimer(kAnimationTimer, 20);
    EXPECT_EQ(TickAnimation(), 4);
    EXPECT_EQ(Active().panX, 3);
    EXPECT_EQ(host.ran, std::vector<std::wstring>{L"next"});
}

TEST_F(ViewMotionTest, PlaybackStepsTimeAndStopsAtTheEndUnlessItLoops)
{
    Active().timeEnd = 3;
    motion.StartPlayback();
    EXPECT_EQ(host.timers[kPlaybackTimer], 200);
    for (int i = 0; i < 3; ++i) motion.OnTimer(kPlaybackTimer);
    EXPECT_EQ(Active().timeStep, 3);
    EXPECT_TRUE(motion.Playing());
    motion.OnTimer(kPlaybackTimer);
    EXPECT_FALSE(motion.Playing());
    EXPECT_FALSE(host.Running(kPlaybackTimer));

    state.playbackLoop = true;
    motion.StartPlayback();
    motion.OnTimer(kPlaybackTimer);
    EXPECT_EQ(Active().timeStep, 0);
    EXPECT_TRUE(motion.Playing());
    motion.StepTime(-1);
    EXPECT_EQ(Active().timeStep, 3);
    motion.ResetTime();
    EXPECT_EQ(Active().timeStep, 0);
    EXPECT_FALSE(motion.Playing());
}

TEST_F(ViewMotionTest, IdleRunsAfterTheQuietTimeAndTheNextInputReturns)
{
    SceneEvent idle(L"idle"), back(L"back");
    state.idleEvent = &idle;
    state.returnEvent = &back;
    state.idleTime = 30;
    motion.NoteUserInput();
    EXPECT_EQ(host.timers[kIdleTimer], 30000);
    // The idle show spins the scene until the user comes back.
    host.onRun = [&](SceneEvent& event) {
        if (event.name == L"idle") {
            state.animating[2] = 3;
            host.StartTimer(kAnimationTimer, 20);
        }
    };
    motion.OnTimer(kIdleTimer);
    EXPECT_EQ(host.ran, std::vector<std::wstring>{L"idle"});
    EXPECT_FALSE(host.Running(kIdleTimer));
    EXPECT_TRUE(state.returnArmed);

    motion.NoteUserInput();
    EXPECT_EQ(host.ran, (std::vector<std::wstring>{L"idle", L"back"}));
    EXPECT_FALSE(host.Running(kAnimationTimer));
    EXPECT_FALSE(state.AnyAnimation());
    EXPECT_TRUE(host.Running(kIdleTimer));   // waiting again
    motion.NoteUserInput();
    EXPECT_EQ(host.ran.size(), 2u);
}

// Events run through the executor and their motions through the view's
// motion, as in the program, with the GL work left out.
class WiredView final : public EventViewSeam, public MotionHost {
public:
    WiredView(SceneRenderer& renderer, CVelmorDoc& document) : renderer_(renderer), document_(document) {}

    void StopAnimations() override { motion.StopAnimations(); }
    void StopPlayback() override { motion.StopPlayback(); }
    void StartPlayback() override { motion.StartPlayback(); }
    void StartTimer(int number, int periodMs) override { timers[number] = periodMs; }
    void KillTimer(int number) override { timers.erase(number); }
    void UpdateViewControls() override {}
    void SetPaneRoot(bool, int index, DrawGroup* group) override
    {
        if (ScenePane* pane = renderer_.Pane(index)) pane->SetRoot(group);
    }
    void SetActiveSpace(bool, int index) override { renderer_.activeSpace = index; }
    void OpenUrl(const std::wstring&) override {}
    void ToggleFullScreen(bool) override {}
    void SetLabelFont(EventLabel, double, const std::wstring&) override {}
    void SetLabelColor(EventLabel, uint32_t) override {}
    void SetBackgroundSpace(bool, int) override {}
    void SetForegroundSpace(bool, int) override {}
    void MoveToNextSpace() override {}
    void SetRotationCentre(int, double, double, double) override {}
    void ApplyLightPosition() override {}
    void SetBackgroundColor(uint8_t, uint8_t, uint8_t) override {}
    void RebuildPaneTextures() override {}
    void RenderNow() override { ++frames; }
    void RunEvent(SceneEvent& event) override
    {
        ran.push_back(event.name);
        SceneEventExecutor(renderer_, document_, state, *this).RunEvent(event);
    }
    void ResetRotationCentre(int) override {}

    bool Running(int number) const { return timers.count(number) != 0; }

private:
    SceneRenderer& renderer_;
    CVelmorDoc& document_;

public:
    EventViewState state;
    ViewMotion motion{renderer_, state, *this};
    std::map<int, int> timers;
    std::vector<std::wstring> ran;
    int frames = 0;
};

} // namespace

// A toward animation runs on the view's timer and, when it lands, runs the
// next event it named; a reflecting slide of that event keeps turning at the
// pan limits until a press stops it.
TEST_F(ViewMotionTest, EventsDriveTheMotionsAndTheMotionsTheNextEvents)
{
    CVelmorDoc document;
    auto add = [&](const std::wstring& name, const std::wstring& element,
                   std::vector<std::pair<std::wstring, std::wstring>> attributes) -> SceneEvent& {
        auto& event = document.events[name];
        if (!event) event = std::make_unique<SceneEvent>(name);
        EventSetting setting;
        setting.elementName = element;
        for (auto& [n, v] : attributes) {
            setting.names.push_back(n);
            setting.values.push_back(v);
        }
        event->settings.push_back(setting);
        return *event;
    };
    SceneEvent& turn = add(L"turn", L"towardAnimation", {{L"trans", L"0.5,0"}, {L"step", L"5"}, {L"time", L"30"}});
    add(L"turn", L"nextEvent", {{L"name", L"slide"}});
    add(L"slide", L"handleAnimation", {{L"trans_reflect", L"0.3,0"}});

    WiredView view(renderer, document);
    view.RunEvent(turn);
    ASSERT_TRUE(view.Running(kAnimationTimer));
    EXPECT_EQ(view.timers[kAnimationTimer], 30);
    EXPECT_TRUE(view.state.towardRunning);
    for (int tick = 0; tick < 5; ++tick) view.motion.OnTimer(kAnimationTimer);
    EXPECT_DOUBLE_EQ(Active().panX, 0.5);
    EXPECT_EQ(view.ran, (std::vector<std::wstring>{L"turn", L"slide"}));
    ASSERT_TRUE(view.Running(kAnimationTimer));
    double largest = 0;
    for (int tick = 0; tick < 20; ++tick) {
        view.motion.OnTimer(kAnimationTimer);
        largest = std::max(largest, Active().panX);
    }
    EXPECT_EQ(largest, 2.0);
    EXPECT_LT(Active().panX, 2.0);
    EXPECT_TRUE(view.Running(kAnimationTimer));

    // A press: the motion stops; so does the timer.
    view.motion.StopAnimations();
    EXPECT_FALSE(view.Running(kAnimationTimer));
    EXPECT_FALSE(view.state.AnyAnimation());
}
