// The example scene walked through the real program: its main window, on an
// X server of its own, driven by mouse and key events and judged by the
// colours of the picture at known places.
#include "app/CMainFrame.h"
#include "app/CVelmorApp.h"
#include "app/CVelmorView.h"
#include "app/GuiTestSupport.h"
#include "app/QtJobHost.h"
#include "app/SingleInstance.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

using namespace velmor;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// The example's volume takes longer to load than the scenarios' scenes, and
// a motion renders a frame a tick: a pan to its limit is some forty frames
// of both spaces, each of them slow in the sanitizer build on a loaded machine.
bool WaitFor(const std::function<bool()>& state, int ms = 3 * test::kStateDeadlineMs) { return test::WaitUntil(state, ms); }

int Distance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// Mean colour distance of two pictures over a grid of points in a rectangle.
double GridDifference(const QImage& a, const QImage& b, QRect area)
{
    double sum = 0;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); y += 8)
        for (int x = area.left(); x <= area.right(); x += 8, ++n) sum += Distance(a.pixel(x, y), b.pixel(x, y));
    return n == 0 ? 0 : sum / n;
}

// The centre of the pixels that `match` accepts in an area; (-1, -1) for none.
QPointF Centroid(const QImage& image, QRect area, const std::function<bool(QRgb)>& match)
{
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixel(x, y))) sx += x, sy += y, ++n;
    return n == 0 ? QPointF(-1, -1) : QPointF(sx / n, sy / n);
}

bool Tracer(QRgb c) { return qRed(c) > 150 && qGreen(c) < 110 && qBlue(c) < 110; }
bool Implant(QRgb c) { return qBlue(c) > 150 && qRed(c) < 120 && qBlue(c) > qRed(c) + 60; }
bool Bright(QRgb c) { return qRed(c) + qGreen(c) + qBlue(c) > 450; }

class ExampleSceneTest : public ::testing::Test {
protected:
    ExampleSceneTest()
    {
        test::GuiApplication();
        qputenv("XDG_CONFIG_HOME", home.Path().c_str());
        const std::filesystem::path examples = VELMOR_EXAMPLES_DIR;
        std::filesystem::copy_file(examples / "phantom.vlm", scenes.Path() / "phantom.vlm");
        std::filesystem::copy_file(examples / "hello.vlm", scenes.Path() / "hello.vlm");
        const std::string make = "/usr/bin/python3 '" + (examples / "make_phantom.py").string() + "' '" +
                                 (scenes.Path() / "phantom").string() + "'";
        made = std::system(make.c_str()) == 0;
    }

    QImage Frame() { return view->grabFramebuffer(); }
    QPoint PaneCentre(int pane) const
    {
        const int h = view->height(), w = view->width();
        const int offset = static_cast<int>(std::lround(0.85 * h / 2));
        return {w / 2 + (pane == 0 ? -offset : offset), h / 2};
    }
    QRect PaneArea(int pane) const
    {
        const QPoint c = PaneCentre(pane);
        const int r = view->height() * 2 / 5;
        return QRect(c.x() - r, c.y() - r, 2 * r, 2 * r).intersected(view->rect());
    }
    QRgb Corner() { return Frame().pixel(view->width() - 4, view->height() - 4); }
    void Key(int key)
    {
        QWidget* target = app.Frame()->focusWidget();
        ASSERT_EQ(target, view) << "the view has the keyboard";
        QTest::keyClick(target, static_cast<Qt::Key>(key));
    }
    // A drag whose events carry their own times (milliseconds).
    void Drag(Qt::MouseButton button, QPoint from, QPoint to, int steps, ulong start, ulong stepMs, ulong releaseAfter)
    {
        ulong t = start;
        Send(QEvent::MouseButtonPress, button, button, from, t);
        for (int i = 1; i <= steps; ++i) {
            t += stepMs;
            Send(QEvent::MouseMove, Qt::NoButton, button, from + (to - from) * i / steps, t);
        }
        Send(QEvent::MouseButtonRelease, button, Qt::NoButton, to, t + releaseAfter);
    }
    void Send(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint at, ulong time)
    {
        QMouseEvent event(type, at, view->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        event.setTimestamp(time);
        QApplication::sendEvent(view, &event);
    }

    test::TempDir home, scenes, run;
    bool made = false;
    CVelmorApp app;
    CVelmorView* view = nullptr;
};

} // namespace

TEST_F(ExampleSceneTest, TheExampleSceneRunsItsEventsKeysAndMotions)
{
    ASSERT_TRUE(made) << "make_phantom.py failed";
    test::MessageRecorder messages;
    ASSERT_TRUE(app.InitInstance({"velmor", Q(scenes.Path() / "phantom.vlm")}, Q(run.Path())));
    view = app.Frame()->View();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app.Frame(), test::kStateDeadlineMs));
    ASSERT_TRUE(WaitFor([&] { return view->Mode() == ViewMode::kNormal && !view->State().sceneLoaded; }));
    EXPECT_TRUE(messages.Messages().empty());

    // The first event's set-up: its background, the skull with the implant
    // in the left space, the bright volume in the right one, the title in
    // the fore layer.
    QImage home = Frame();
    EXPECT_EQ(home.pixel(view->width() - 4, view->height() - 4) & 0xFFFFFF, qRgb(24, 28, 48) & 0xFFFFFF);
    EXPECT_GT(Centroid(home, PaneArea(0), Implant).x(), 0) << "no implant in the left space";
    EXPECT_LT(std::abs(Centroid(home, PaneArea(0), Implant).x() - PaneCentre(0).x()), 60);
    EXPECT_GT(Centroid(home, PaneArea(1), Bright).x(), 0) << "no volume in the right space";
    EXPECT_EQ(Centroid(home, PaneArea(1), Implant).x(), -1);
    EXPECT_GT(Centroid(home, QRect(10, 10, 260, 60), Bright).x(), 0) << "no title";
    ASSERT_EQ(view->Renderer().activeSpace, 0);

    // A press that makes the right space active reads its volume in a job, which drops the release
    // waiting behind it; the next move, no button held, must not turn the space.
    const QPoint at = Centroid(Frame(), view->rect().adjusted(view->width() / 2, 0, 0, 0), Bright).toPoint();
    QCoreApplication::postEvent(view, new QMouseEvent(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, {}, {}));
    Send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at, 9000);
    Send(QEvent::MouseMove, Qt::NoButton, Qt::NoButton, PaneCentre(0), 9100);
    EXPECT_TRUE(view->Renderer().panes[1].objectRotation == view->Renderer().panes[1].homeObjectRotation);
    Key(Qt::Key_Tab);

    // Home brings back the home view after a rotation.
    Drag(Qt::LeftButton, PaneCentre(0) + QPoint(-100, 120), PaneCentre(0) + QPoint(60, 120), 8, 1000, 40, 300);
    QImage turned = Frame();
    EXPECT_GT(GridDifference(home, turned, PaneArea(0)), 10.0);
    EXPECT_FALSE(view->State().AnyAnimation()) << "a slow release is no flick";
    Key(Qt::Key_F2);
    EXPECT_TRUE(view->State().homeRunning);
    ASSERT_TRUE(WaitFor([&] { return !view->State().homeRunning; }));
    EXPECT_LT(GridDifference(home, Frame(), PaneArea(0)), 2.0);

    // Tab makes the right space active; a right flick on it slides its
    // picture to the pan limit, turns there and comes back, and the left
    // space stays where it is.
    Key(Qt::Key_Tab);
    ASSERT_EQ(view->Renderer().activeSpace, 1);
    const double startX = Centroid(Frame(), PaneArea(1), Bright).x();
    Drag(Qt::RightButton, PaneCentre(1), PaneCentre(1) + QPoint(60, 0), 4, 5000, 10, 5);
    ASSERT_TRUE(view->State().animating[0] != 0) << "the flick did not keep moving";
    double largest = 0;
    ASSERT_TRUE(WaitFor([&] {
        largest = std::max(largest, view->Renderer().panes[1].panX);
        return largest > 0 && view->Renderer().panes[1].panX < largest - 0.2;
    })) << "the pan never turned at its limit";
    EXPECT_TRUE(view->State().animating[0] != 0);
    const double movedX = Centroid(Frame(), view->rect(), Bright).x();
    EXPECT_NE(std::lround(movedX), std::lround(startX));
    EXPECT_LT(GridDifference(home, Frame(), PaneArea(0).adjusted(0, 0, -80, 0)), 2.0);
    Key(Qt::Key_Tab);
    ASSERT_EQ(view->Renderer().activeSpace, 0);
    EXPECT_FALSE(view->State().AnyAnimation()) << "Tab stops the motion";

    // F11 shows the picture on the whole screen and back.
    const QSize normal = view->size();
    Key(Qt::Key_F11);
    EXPECT_EQ(view->Mode(), ViewMode::kFullScreen);
    EXPECT_TRUE(WaitFor([&] { return app.Frame()->isFullScreen() && view->width() > normal.width(); }));
    EXPECT_FALSE(app.Frame()->menuBar()->isVisible());
    Key(Qt::Key_F11);
    EXPECT_EQ(view->Mode(), ViewMode::kNormal);
    EXPECT_TRUE(WaitFor([&] { return !app.Frame()->isFullScreen() && view->size() == normal; }));
    EXPECT_TRUE(app.Frame()->menuBar()->isVisible());

    // A click on the implant runs its event: a new background, a turn
    // toward the side view, and playback that moves the tracer on.
    const QPointF implant = Centroid(Frame(), PaneArea(0), Implant);
    ASSERT_GT(implant.x(), 0);
    QTest::mouseClick(view, Qt::LeftButton, {}, implant.toPoint());
    EXPECT_TRUE(WaitFor([&] { return (Corner() & 0xFFFFFF) == (qRgb(48, 28, 32) & 0xFFFFFF); }));
    EXPECT_TRUE(WaitFor([&] { return !view->State().towardRunning; }));
    EXPECT_GT(GridDifference(home, Frame(), PaneArea(0)), 10.0);
    const int step = view->Renderer().panes[0].timeStep;
    const QPointF tracer = Centroid(Frame(), view->rect(), Tracer);
    ASSERT_TRUE(WaitFor([&] { return view->Renderer().panes[0].timeStep != step; })) << "playback stands still";
    QPointF moved;
    EXPECT_TRUE(WaitFor([&] {
        moved = Centroid(Frame(), view->rect(), Tracer);
        return std::hypot(moved.x() - tracer.x(), moved.y() - tracer.y()) > 20;
    })) << "the tracer did not move";

    // A second start while the scene loads again: its scene opens after the
    // load, and both are opened in turn.
    std::atomic<bool> handedOff{false}, done{false};
    std::thread later([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(test::kStateDeadlineMs);
        while (!app.JobHost()->Running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        SingleInstance second(Q(run.Path()));
        handedOff = second.HandToRunning(scenes.WidePath("hello.vlm"));
        done = true;
    });
    app.OpenDocumentFile(scenes.WidePath("phantom.vlm"));
    WaitFor([&] { return done.load(); });   // the copy answers from its event loop, should the load be over
    later.join();
    ASSERT_TRUE(handedOff);
    EXPECT_EQ(app.Frame()->windowTitle(), QStringLiteral("phantom.vlm - Velmor"));
    EXPECT_TRUE(WaitFor([&] { return app.Frame()->windowTitle() == QStringLiteral("hello.vlm - Velmor"); }));
    ASSERT_GE(app.RecentFiles().Entries().size(), 2u);
    EXPECT_EQ(app.RecentFiles().Entries()[0], scenes.WidePath("hello.vlm"));
    EXPECT_EQ(app.RecentFiles().Entries()[1], scenes.WidePath("phantom.vlm"));
    EXPECT_TRUE(messages.Messages().empty());
}
