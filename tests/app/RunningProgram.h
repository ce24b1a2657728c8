#pragma once
// The real program, started on a scene with settings and runtime folders of
// its own: the base of the end-to-end scenarios that drive its main window.
#include "app/CMainFrame.h"
#include "app/CVelmorApp.h"
#include "app/CVelmorView.h"
#include "app/GuiTestSupport.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

namespace velmor::test {

inline QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

class RunningProgram : public ::testing::Test {
protected:
    RunningProgram()
    {
        GuiApplication();
        qputenv("XDG_CONFIG_HOME", home.Path().c_str());
    }

    // Starts the program with `scene` on its command line.
    void Launch(const std::filesystem::path& scene)
    {
        EXPECT_TRUE(app.InitInstance({"velmor", Q(scene)}, Q(run.Path())));
        frame = app.Frame();
        view = frame->View();
        bar = frame->Bar();
        messages = std::make_unique<MessageRecorder>();
    }
    // Waits until the window shows the scene and `ready` holds (by default:
    // nothing runs any more).
    void WaitShown(const std::function<bool()>& ready = {})
    {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(frame, test::kStateDeadlineMs));
        EXPECT_TRUE(WaitUntil([&] { return view->GLUsable() && view->SceneShown() && (ready ? ready() : !app.Busy()); }));
    }

    QImage Picture() { return ScreenPicture(view); }
    // The picture's pixel at (u, v) in the pane's units: the shorter side
    // spans -1..1, v upwards.
    static QPoint PanePoint(const QImage& picture, double u, double v)
    {
        const double half = std::min(picture.width(), picture.height()) / 2.0;
        return {static_cast<int>(picture.width() / 2.0 + u * half), static_cast<int>(picture.height() / 2.0 - v * half)};
    }
    QAction* Command(int id) { return frame->findChild<QAction*>(QStringLiteral("cmd_%1").arg(id)); }
    void RefreshMenus()
    {
        for (QMenu* menu : frame->menuBar()->findChildren<QMenu*>()) emit menu->aboutToShow();
    }
    // Brings the menus' check marks and states up to date, as opening them
    // would, and runs the command.
    void Run(int id)
    {
        QAction* action = Command(id);
        ASSERT_NE(action, nullptr) << id;
        RefreshMenus();
        ASSERT_TRUE(action->isEnabled()) << id;
        action->trigger();
        QApplication::processEvents();
    }

    TempDir home, run, scenes;
    CVelmorApp app;
    CMainFrame* frame = nullptr;
    CVelmorView* view = nullptr;
    ViewBar* bar = nullptr;
    std::unique_ptr<MessageRecorder> messages;
};

} // namespace velmor::test
