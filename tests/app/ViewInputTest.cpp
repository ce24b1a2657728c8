// The view's input over a stand-in view: the real motion on plain panes,
// picks and commands recorded.
#include "app/ViewInput.h"
#include "app/GuiTestSupport.h"
#include "render/ViewControlStates.h"
#include "render/ViewMotion.h"
#include "scene/SceneEvent.h"
#include "support/PlainPanes.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace velmor {
namespace {

class StandInView final : public ViewInputTarget, public MotionHost {
public:
    bool SceneShown() const override { return true; }
    bool CanPick() const override { return true; }
    bool UnitEditing() const override { return editing; }
    bool FullScreen() const override { return fullScreen; }
    bool PickingRotationCentre() const override { return false; }
    bool ButtonEnabled(int button) const override { return enabled.count(button) != 0; }
    bool PlaceCursor(int, int) override { return true; }
    int PictureSide() const override { return 180; }
    void WithGL(const std::function<void()>& work) override { work(); }
    bool ActivatePaneAtCursor() override { return false; }
    UnitPick PickUnit() override { ++picks; return pick; }
    void ChangeSelection(const UnitPick&, bool toggle) override { selections.push_back(toggle); }
    void ForgetPick() override {}
    bool PickRotationCentre() override { return false; }
    void RunEvent(SceneEvent* event) override { ran.push_back(event); }
    void RenderNow() override {}
    void Redraw() override {}
    void UpdateViewControls() override {}
    void PressButton(int button) override { pressed.push_back(button); }
    void NextPane() override {}
    void SetFullScreen(bool on) override { fullScreen = on; }
    // MotionHost.
    void StartTimer(int number, int) override { timers.insert(number); }
    void KillTimer(int number) override { timers.erase(number); }
    void RunEvent(SceneEvent&) override {}
    void ResetRotationCentre(int) override {}

    bool editing = false, fullScreen = false;
    std::set<int> enabled, timers;
    UnitPick pick;
    int picks = 0;
    std::vector<bool> selections;
    std::vector<SceneEvent*> ran;
    std::vector<int> pressed;
};

class ViewInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(panes.created);
        view.pick.event = &event;
    }
    void Mouse(QEvent::Type type, Qt::MouseButton button, int x, int y, ulong time)
    {
        QMouseEvent e(type, QPointF(x, y), QPointF(x, y), button, button, Qt::NoModifier);
        e.setTimestamp(time);
        if (type == QEvent::MouseButtonPress) input.Press(e);
        if (type == QEvent::MouseMove) input.Move(e);
        if (type == QEvent::MouseButtonRelease) input.Release(e);
    }
    bool Key(int key) { return input.KeyRelease(QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier)); }

    QApplication& app = test::GuiApplication();
    SceneEvent event{L"clicked"};
    test::PlainPanes panes{1};
    SceneRenderer& renderer = panes.renderer;
    EventViewState state;
    StandInView view;
    ViewMotion motion{renderer, state, view};
    ViewInput input{view, motion};
};

TEST_F(ViewInputTest, AClickRunsThePickedEventOnceAndADragTakesTheChoiceBack)
{
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, 50, 50, 1000);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, 55, 45, 1050);
    EXPECT_EQ(view.picks, 1);
    EXPECT_EQ(view.selections, (std::vector<bool>{true, false}));
    EXPECT_EQ(view.ran, std::vector<SceneEvent*>{&event});

    // A flick: 90 pixels of a 180-pixel side turn the object a quarter turn,
    // and it goes on turning; the event does not run.
    view.selections.clear();
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, 50, 50, 2000);
    Mouse(QEvent::MouseMove, Qt::LeftButton, 140, 50, 2040);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, 140, 50, 2060);
    EXPECT_EQ(view.selections, (std::vector<bool>{true, true}));
    EXPECT_EQ(view.ran.size(), 1u);
    EXPECT_NEAR(renderer.panes[0].objectRotation.w, std::sqrt(0.5), 1e-9);
    EXPECT_EQ(view.timers, std::set<int>{kAnimationTimer});
    EXPECT_FALSE(input.Dragging());

    // While a unit is edited a click still picks but runs nothing; a press
    // within 10 ms of the last release is none.
    view.editing = true;
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, 50, 50, 2065);
    EXPECT_FALSE(input.Dragging());
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton, 50, 50, 3000);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, 50, 50, 3010);
    EXPECT_EQ(view.picks, 3);
    EXPECT_EQ(view.ran.size(), 1u);
}

TEST_F(ViewInputTest, TheRightDragPansOrMovesTheClipPlaneAndTheWheelZooms)
{
    Mouse(QEvent::MouseButtonPress, Qt::RightButton, 50, 50, 1000);
    Mouse(QEvent::MouseMove, Qt::RightButton, 59, 32, 1010);
    EXPECT_NEAR(renderer.panes[0].panX, 0.1, 1e-9);
    EXPECT_NEAR(renderer.panes[0].panY, 0.2, 1e-9);
    renderer.panes[0].clipHandleMode = 1;
    Mouse(QEvent::MouseMove, Qt::RightButton, 59, 50, 1500);
    EXPECT_NEAR(state.clipStep, 0.2, 1e-9);
    Mouse(QEvent::MouseButtonRelease, Qt::RightButton, 59, 50, 1600);   // too late for a flick
    EXPECT_TRUE(view.timers.empty());

    renderer.panes[0].clipHandleMode = 0;
    const QWheelEvent notch(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, 120), Qt::NoButton,
                            Qt::NoModifier, Qt::NoScrollPhase, false);
    input.Wheel(notch);
    EXPECT_NEAR(renderer.panes[0].zoom, 1.07, 1e-9);
}

TEST_F(ViewInputTest, ButtonKeysActOnlyWhileTheirButtonIsEnabled)
{
    EXPECT_TRUE(Key(Qt::Key_F2));
    EXPECT_TRUE(view.pressed.empty());
    view.enabled = {kHomeButton, kPickCentreButton};
    EXPECT_TRUE(Key(Qt::Key_F2));
    EXPECT_TRUE(Key(Qt::Key_F7));
    EXPECT_EQ(view.pressed, (std::vector<int>{kHomeButton, kPickCentreButton}));
    EXPECT_TRUE(Key(Qt::Key_F11));
    EXPECT_TRUE(view.fullScreen);
    EXPECT_FALSE(Key(Qt::Key_A));
}

} // namespace
} // namespace velmor
