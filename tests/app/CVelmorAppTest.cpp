#include "GuiTestSupport.h"

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/CVelmorApp.h"
#include "app/CVelmorView.h"
#include "app/RecentFileList.h"
#include "app/QtJobHost.h"
#include "app/SingleInstance.h"
#include "support/MessageRecorder.h"
#include "support/TempDir.h"

#include <QAction>
#include <QLabel>
#include <QSettings>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmor;
using velmor::test::MessageRecorder;
using velmor::test::TempDir;

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

class CVelmorAppTest : public ::testing::Test {
protected:
    CVelmorAppTest()
    {
        test::GuiApplication();
        qputenv("XDG_CONFIG_HOME", home.Path().c_str());
        dir.Write("scene.vlm", "<?xml version=\"1.0\"?><root version=\"1.2\"><head/><body/></root>");
        dir.Write("broken.vlm", "<root version=");
    }
    TempDir home, dir, run;
};

bool DropFile(CMainFrame& frame, const std::filesystem::path& file)
{
    return frame.OnDropFiles({QUrl(QStringLiteral("https://example.invalid/x.vlm")),
                              QUrl::fromLocalFile(QString::fromStdString(file.string()))});
}

// A later start is a process of its own: here a task, answered from the event loop.
bool WhileEventsRun(const std::function<bool()>& start)
{
    std::future<bool> later = std::async(std::launch::async, start);
    while (later.wait_for(std::chrono::seconds(0)) != std::future_status::ready) test::ProcessEventsFor(10);
    return later.get();
}

} // namespace

TEST(CVelmorApp, CommandLineFileIsTheFirstPlainArgument)
{
    EXPECT_EQ(CVelmorApp::FileFromCommandLine({"velmor"}), L"");
    EXPECT_EQ(CVelmorApp::FileFromCommandLine({"velmor", "-platform", "a.vlm"}), L"a.vlm");   // options skipped
    EXPECT_EQ(CVelmorApp::FileFromCommandLine({"velmor", "日本.vlm", "b.vlm"}), L"日本.vlm");
}

TEST(RecentFileList, EightNewestFirstWithoutRepeats)
{
    TempDir home;
    QSettings settings(Q(home.Path() / "r.ini"), QSettings::IniFormat);
    RecentFileList list;
    for (int i = 0; i < 10; ++i) list.Add(L"/s/" + std::to_wstring(i) + L".vlm");
    list.Add(L"/s/5.vlm");
    ASSERT_EQ(list.Entries().size(), 8u);
    EXPECT_EQ(list.Entries()[0], L"/s/5.vlm");
    EXPECT_EQ(list.Entries()[1], L"/s/9.vlm");
    EXPECT_EQ(list.Entries()[7], L"/s/2.vlm");
    list.Save(settings);
    EXPECT_EQ(settings.value("Recent File List/File1").toString(), QStringLiteral("/s/5.vlm"));
    RecentFileList again;
    again.Load(settings);
    EXPECT_EQ(again.Entries(), list.Entries());
}

TEST_F(CVelmorAppTest, OpensFromTheCommandLineAndKeepsOnlyOpenedFilesInTheRecentList)
{
    CVelmorApp app;
    ASSERT_TRUE(app.InitInstance({"velmor", Q(dir.Path() / "scene.vlm")}, Q(run.Path())));
    MessageRecorder messages;
    EXPECT_EQ(app.Frame()->windowTitle(), QStringLiteral("scene.vlm - Velmor"));
    ASSERT_EQ(app.RecentFiles().Entries().size(), 1u);
    EXPECT_EQ(app.Frame()->findChild<QAction*>(QStringLiteral("cmd_57616"))->text(),
              QStringLiteral("&1 ") + Q(dir.Path() / "scene.vlm"));

    app.OpenDocumentFile(dir.WidePath("broken.vlm"));
    EXPECT_EQ(messages.Messages(), std::vector<std::wstring>{L"XML load error"});
    app.OpenDocumentFile(dir.WidePath("missing.vlm"));
    EXPECT_EQ(messages.Messages().back(), L"file open error");
    EXPECT_EQ(app.RecentFiles().Entries().size(), 1u);   // failures are not remembered

    app.OnFileNew();
    EXPECT_EQ(app.Frame()->windowTitle(), QStringLiteral("Velmor"));
}

// A second start hands its path to the first copy and ends; in unit-editing
// mode the path waits. The copy answers while its UI thread is busy.
TEST_F(CVelmorAppTest, SecondStartHandsItsPathToTheFirst)
{
    CVelmorApp first;
    ASSERT_TRUE(first.InitInstance({"velmor"}, Q(run.Path())));
    MessageRecorder messages;
    {
        CVelmorApp second;
        EXPECT_FALSE(WhileEventsRun([&] { return second.InitInstance({"velmor", Q(dir.Path() / "scene.vlm")}, Q(run.Path())); }));
        EXPECT_EQ(second.Frame(), nullptr);   // no window of its own
    }
    test::WaitUntil([&] { return first.Frame()->windowTitle() == QStringLiteral("scene.vlm - Velmor"); });
    EXPECT_EQ(first.Frame()->windowTitle(), QStringLiteral("scene.vlm - Velmor"));

    first.OnFileNew();
    first.Frame()->View()->SetViewMode(ViewMode::kUnitEditing);
    SingleInstance another(Q(run.Path()));
    EXPECT_FALSE(another.BecomeFirst());
    // Taken at once though the copy's UI thread is busy (here with this very call).
    EXPECT_TRUE(another.HandToRunning(dir.WidePath("scene.vlm")));
    test::ProcessEventsFor(300);
    EXPECT_EQ(first.Frame()->windowTitle(), QStringLiteral("Velmor"));
    EXPECT_TRUE(messages.Messages().empty());
}

// A runtime folder open to all, or (as root) another user's, is passed over
// for a folder of the user's own under the temporary folder, which works.
TEST(SingleInstance, ARuntimeFolderOpenToOthersIsPassedOver)
{
    test::GuiApplication();
    const QByteArray runtimeBefore = qgetenv("XDG_RUNTIME_DIR"), tempBefore = qgetenv("TMPDIR");
    TempDir runtime, temp;
    qputenv("XDG_RUNTIME_DIR", runtime.Path().c_str());
    qputenv("TMPDIR", temp.Path().c_str());
    for (const auto& [mode, owner] : std::vector<std::pair<mode_t, uid_t>>{{0777, geteuid()}, {0700, 65534}}) {
        if (owner != geteuid() && geteuid() != 0) continue;
        ASSERT_EQ(chown(runtime.Path().c_str(), owner, static_cast<gid_t>(-1)) | chmod(runtime.Path().c_str(), mode), 0);
        SingleInstance first, later;
        EXPECT_TRUE(first.BecomeFirst() && !later.BecomeFirst()) << mode;
        EXPECT_EQ(test::FolderNames(temp.Path()), std::vector<std::string>{"velmor-" + std::to_string(geteuid())}) << mode;
        EXPECT_TRUE(test::FolderNames(runtime.Path()).empty()) << mode;
    }
    runtimeBefore.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtimeBefore);
    tempBefore.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tempBefore);
}

// A script's connections that hang: past the cap the oldest make room for a
// later start, and after the bound the rest go. An accept that fails for want
// of a descriptor stops Qt's server, whose socket goes: the copy listens again.
TEST(SingleInstance, IdleConnectionsAreDroppedAndTheCopyKeepsListening)
{
    test::GuiApplication();
    TempDir run;
    SingleInstance first(Q(run.Path())), later(Q(run.Path()));
    ASSERT_TRUE(first.BecomeFirst());
    first.SetPendingCap(3);
    const QString name = Q(run.Path()) + QStringLiteral("/%1-%2.socket").arg(SingleInstance::kName).arg(geteuid());
    std::vector<std::unique_ptr<QLocalSocket>> idle(5);
    for (auto& s : idle) (s = std::make_unique<QLocalSocket>())->connectToServer(name);
    const auto open = [&] { return std::count_if(idle.begin(), idle.end(), [](auto& s) { return s->state() == QLocalSocket::ConnectedState; }); };
    EXPECT_TRUE(WhileEventsRun([&] { return later.HandToRunning(L"/a.vlm"); }));
    EXPECT_TRUE(test::WaitUntil([&] { return open() == 2; }) && test::WaitUntil([&] { return open() == 0; }));
    const auto inode = [&] { struct stat st {}; return stat(QFile::encodeName(name).constData(), &st) == 0 ? st.st_ino : 0; };
    const ino_t before = inode();
    // Held by a second name, the old socket's number cannot come back for the new one.
    ASSERT_EQ(link(QFile::encodeName(name).constData(), QFile::encodeName(name + QStringLiteral(".old")).constData()), 0);
    rlimit limit {};
    getrlimit(RLIMIT_NOFILE, &limit);
    // The lowest free descriptor the last, for the connecting end: the copy
    // accepts on a thread of its own, so the limit is in place before it can.
    const rlimit spent {static_cast<rlim_t>(dup(0)) + 1, limit.rlim_max};
    close(static_cast<int>(spent.rlim_cur - 1));
    EXPECT_EQ(setrlimit(RLIMIT_NOFILE, &spent), 0);
    idle[0]->connectToServer(name);
    EXPECT_TRUE(test::WaitUntil([&] { return open() == 0; }));
    setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_TRUE(test::WaitUntil([&] { return inode() != 0 && inode() != before; }));
    // The name may be bound a moment before the copy listens on it.
    EXPECT_TRUE(test::WaitUntil([&] { return later.HandToRunning(L"/b.vlm"); }));
}

// A later start whose path arrives while the first copy is still loading a
// scene's data, and a file dropped meanwhile: both wait until the load has
// ended, so the scene the worker writes into stays alive, and then every
// scene opens in turn.
TEST_F(CVelmorAppTest, ASecondStartDuringALoadOpensItsSceneAfterTheLoad)
{
    std::string rows;
    constexpr int kRows = 1500000;
    rows.reserve(kRows * 24);
    for (int i = 0; i < kRows; ++i) rows += std::to_string(i % 977) + ".25 " + std::to_string(i % 13) + ".5 1.75\n";
    dir.Write("points.txt", rows);
    dir.Write("slow.vlm", R"(<?xml version="1.0" encoding="UTF-8"?>
<scene version="1.35"><body>
  <drawGroup name="top"><drawUnit><pointCloud point_data="points" renderingType="A"/></drawUnit></drawGroup>
  <data name="points" type="array_xyz" size=")" + std::to_string(kRows) + R"("><file type="txt" path="points.txt"/></data>
  <firstSetting spaceNum="1"/>
</body></scene>
)");
    CVelmorApp first;
    ASSERT_TRUE(first.InitInstance({"velmor"}, Q(run.Path())));
    // Scenes open at once only when the view's GL is up.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first.Frame(), test::kStateDeadlineMs));
    ASSERT_TRUE(test::WaitUntil([&] { return first.Frame()->View()->GLUsable(); }));
    MessageRecorder messages;
    dir.Write("dropped.vlm", "<?xml version=\"1.0\"?><root version=\"1.2\"><head/><body/></root>");
    const QUrl dropped = QUrl::fromLocalFile(Q(dir.Path() / "dropped.vlm"));

    std::atomic<bool> handedOff{false}, duringLoad{false};
    std::thread later([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(test::kStateDeadlineMs);
        while (!first.JobHost()->Running() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        SingleInstance second(Q(run.Path()));
        handedOff = second.HandToRunning(dir.WidePath("scene.vlm"));
        // A drop as the main window receives it, on the UI thread.
        QMetaObject::invokeMethod(first.Frame(), [&] { first.Frame()->OnDropFiles({dropped}); }, Qt::QueuedConnection);
        duringLoad = first.JobHost()->Running();
    });
    first.OpenDocumentFile(dir.WidePath("slow.vlm"));
    later.join();
    ASSERT_TRUE(handedOff);
    EXPECT_TRUE(duringLoad) << "the load ended before the hand-off: nothing was proved";
    EXPECT_EQ(first.Frame()->windowTitle(), QStringLiteral("slow.vlm - Velmor"));
    test::WaitUntil([&] { return first.RecentFiles().Entries().size() >= 3; });
    // The two that waited open in the order they arrived, after the load.
    ASSERT_EQ(first.RecentFiles().Entries().size(), 3u);
    const auto& recent = first.RecentFiles().Entries();
    EXPECT_EQ(recent[2], dir.WidePath("slow.vlm"));
    EXPECT_TRUE((recent[0] == dir.WidePath("scene.vlm") && recent[1] == dir.WidePath("dropped.vlm")) ||
                (recent[1] == dir.WidePath("scene.vlm") && recent[0] == dir.WidePath("dropped.vlm")));
    EXPECT_EQ(first.Frame()->windowTitle(),
              QString::fromStdWString(recent[0].substr(recent[0].rfind(L'/') + 1)) + QStringLiteral(" - Velmor"));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(CVelmorAppTest, DroppedFilesWaitWhileEditing)
{
    CVelmorApp app;
    ASSERT_TRUE(app.InitInstance({"velmor"}, Q(run.Path())));
    app.Frame()->View()->SetViewMode(ViewMode::kUnitEditing);
    EXPECT_TRUE(DropFile(*app.Frame(), dir.Path() / "scene.vlm"));
    EXPECT_EQ(app.Frame()->windowTitle(), QStringLiteral("Velmor"));
    app.Frame()->View()->SetViewMode(ViewMode::kNoScene);
    EXPECT_TRUE(test::WaitUntil([&] { return app.Frame()->windowTitle() == QStringLiteral("scene.vlm - Velmor"); }));
}

TEST(CAboutDlg, ShowsNameVersionAndNotice)
{
    test::GuiApplication();
    CAboutDlg about(L"Velmor", L"Version 0.1", L"Copyright (C) 2026 Quillmarsh");
    EXPECT_EQ(about.findChild<QLabel*>(ControlName(CAboutDlg::kProductName))->text(), QStringLiteral("Velmor"));
    EXPECT_EQ(about.findChild<QLabel*>(ControlName(CAboutDlg::kVersion))->text(), QStringLiteral("Version 0.1"));
    EXPECT_EQ(about.findChild<QLabel*>(ControlName(CAboutDlg::kLegalNotice))->text(), QStringLiteral("Copyright (C) 2026 Quillmarsh"));
}
