#include "GuiTestSupport.h"

#include "app/CKxDlgProgress.h"
#include "app/ColorLabel.h"
#include "app/ProgressEvent.h"
#include "app/QtJobHost.h"
#include "app/QtMessageSink.h"
#include "scene/BackgroundJob.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

using namespace velmor;
using namespace std::chrono_literals;
using velmor::test::Centre;
using velmor::test::GuiApplication;
using velmor::test::PostClick;
using velmor::test::ProcessEventsFor;
using velmor::test::WaitUntil;

namespace {

// A job whose worker is a test's lambda.
struct LambdaJob : BackgroundJob {
    std::function<void(LambdaJob&)> body;

    bool Run()
    {
        return RunJob(this, [](void* param) -> uint32_t {
            auto* job = static_cast<LambdaJob*>(param);
            job->body(*job);
            job->result = 0;
            return 0;
        });
    }
};

// An event posted from a worker behind others: once the UI thread has handled
// it, everything posted before it has been handled as well.
class QueueMarker final : public QObject {
public:
    std::atomic<bool> seen{false};

    void PostAndWait()
    {
        QCoreApplication::postEvent(this, new QEvent(kType));
        for (int i = 0; i < 10000 && !seen; ++i) std::this_thread::sleep_for(1ms);
    }

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != kType) return QObject::event(event);
        seen = true;
        return true;
    }

private:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 500);
};

// Counts how often a widget was shown.
class ShowCounter final : public QObject {
public:
    explicit ShowCounter(QWidget* widget) { widget->installEventFilter(this); }
    int shows = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show) ++shows;
        return false;
    }
};

class QtJobHostTest : public ::testing::Test {
protected:
    QPushButton* CancelButton() { return dialog.findChild<QPushButton*>(ControlName(CKxDlgProgress::kCancelButton)); }
    QProgressBar* Bar() { return dialog.findChild<QProgressBar*>(ControlName(CKxDlgProgress::kBar)); }
    ColorLabel* Label() { return dialog.findChild<ColorLabel*>(ControlName(CKxDlgProgress::kLabel)); }

    QApplication& app = GuiApplication();   // first: the widgets below need it
    CKxDlgProgress dialog;
    QtJobHost host{&dialog};
    ShowCounter dialogShows{&dialog};
};

TEST_F(QtJobHostTest, RangeZeroShowsNothingAndThrowsOtherInputAway)
{
    QPushButton other(QStringLiteral("other"));
    other.show();
    int clicks = 0;
    QObject::connect(&other, &QPushButton::clicked, [&] { ++clicks; });
    const QPointF at = Centre(&other);

    // Posted after the click, so once the job's loop has handled it the
    // click has been handled (thrown away) too, however slow the machine.
    QueueMarker marker;
    LambdaJob job;   // range 0: no progress display at all
    job.body = [&](LambdaJob&) {
        PostClick(&other, at);
        marker.PostAndWait();
    };
    ASSERT_TRUE(job.Run());
    ASSERT_TRUE(marker.seen);
    ProcessEventsFor(50);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(dialogShows.shows, 0);

    // The same click outside a job does arrive, so the test would notice.
    PostClick(&other, at);
    EXPECT_TRUE(WaitUntil([&] { return clicks == 1; }));
}

TEST_F(QtJobHostTest, JobShorterThanItsIntervalNeverShowsTheDialog)
{
    LambdaJob job;
    job.progressRange = 100;
    job.progressInterval = 60000;
    job.body = [](LambdaJob& j) {
        for (int i = 0; i < 100; ++i) j.StepProgress(1.0);
    };
    ASSERT_TRUE(job.Run());
    ProcessEventsFor(20);
    EXPECT_EQ(dialogShows.shows, 0);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(QtJobHostTest, DueDialogShowsRoundedProgressAndHidesAtTheEnd)
{
    SetProgressCaption(L"file reading", false);
    LambdaJob job;
    job.progressRange = 10;
    job.progressInterval = 0;
    job.body = [](LambdaJob& j) {
        for (int i = 0; i < 8; ++i) j.StepProgress(0.25);   // two whole steps
        for (int i = 0; i < 3; ++i) j.StepProgress(2.5);    // 2, 3, 2 more: 9, 0.5 kept
        j.SetProgressText(L"読み込み中", 255, 0, 0);
    };
    ASSERT_TRUE(job.Run());
    EXPECT_EQ(dialogShows.shows, 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Bar()->maximum(), 10);
    EXPECT_EQ(Bar()->value(), 9);
    EXPECT_DOUBLE_EQ(dialog.position, 9.0);
    EXPECT_FALSE(CancelButton()->isVisibleTo(&dialog));
    EXPECT_EQ(Label()->text(), QStringLiteral("読み込み中"));
    // The end gives the label its ordinary colour back.
    EXPECT_EQ(Label()->textColour, dialog.palette().color(QPalette::WindowText));
}

TEST_F(QtJobHostTest, TextEventsCarryTheirColourAndACopyOfTheText)
{
    std::wstring text = L"surface";
    auto* event = new ProgressEvent({ProgressMessage::Kind::Text, ProgressColour(0x12, 0x34, 0x56), 0, text});
    text.assign(L"overwritten");
    QCoreApplication::postEvent(&dialog, event);
    QCoreApplication::sendPostedEvents(&dialog);
    EXPECT_EQ(Label()->text(), QStringLiteral("surface"));
    EXPECT_EQ(Label()->textColour, QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(ProgressEvent::TypeOf(ProgressMessage::Kind::Text), QEvent::User + 14);
}

TEST_F(QtJobHostTest, PositionsBeyondTheBarStayInsideIt)
{
    LambdaJob job;
    job.progressRange = 4;
    job.body = [](LambdaJob& j) { j.StepProgress(1e12); };
    ASSERT_TRUE(job.Run());
    EXPECT_EQ(Bar()->value(), 4);
}

TEST_F(QtJobHostTest, CancelReachesTheWorkerAndTheButtonStaysDisabled)
{
    SetProgressCaption(L"file reading", true);
    LambdaJob job;
    job.canCancel = true;
    job.progressRange = 10;
    bool workerSawCancel = false;
    QPushButton* cancel = CancelButton();
    const QPointF at(cancel->sizeHint().width() / 2.0, cancel->sizeHint().height() / 2.0);
    job.body = [&](LambdaJob& j) {
        j.StepProgress(1.0);   // shows the dialog with its Cancel button
        PostClick(cancel, at);
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!j.cancelled && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
        workerSawCancel = j.cancelled;
    };
    ASSERT_TRUE(job.Run());
    EXPECT_TRUE(workerSawCancel);
    EXPECT_FALSE(dialog.cancelRequested);   // copied into the job and cleared
    EXPECT_FALSE(cancel->isEnabled());
    ProcessEventsFor(20);
    EXPECT_FALSE(cancel->isEnabled());

    // The next start enables it again and clears the job's flag.
    job.body = [](LambdaJob& j) { j.StepProgress(1.0); };
    ASSERT_TRUE(job.Run());
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_FALSE(job.cancelled);
}

TEST_F(QtJobHostTest, OtherWindowsTimersDoNotFireDuringAJob)
{
    QWidget other;
    QTimer ticker(&other);
    int ticks = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(5);
    ASSERT_TRUE(WaitUntil([&] { return ticks > 0; }));

    LambdaJob job;
    job.progressRange = 10;
    job.body = [](LambdaJob& j) {
        for (int i = 0; i < 10; ++i) {
            std::this_thread::sleep_for(10ms);
            j.StepProgress(1.0);
        }
    };
    const int before = ticks;
    ASSERT_TRUE(job.Run());
    EXPECT_EQ(ticks, before);
    EXPECT_TRUE(WaitUntil([&] { return ticks > before; }));   // it runs on afterwards
}

// Counts its paints.
class PaintCounter final : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST_F(QtJobHostTest, OtherWindowsWaitWithTheirPaintingAndTheCursorIsBusy)
{
    PaintCounter other;
    other.show();
    ASSERT_TRUE(WaitUntil([&] { return other.paints > 0; }));
    ProcessEventsFor(30);
    const int paintsBefore = other.paints;

    std::atomic<int> duringJob{Qt::ArrowCursor};
    QTimer probe(&dialog);   // the dialog's own timers keep running
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (const QCursor* cursor = QGuiApplication::overrideCursor()) duringJob = cursor->shape();
    });
    probe.start(1);

    other.update();   // asks for a paint that would come during the job
    QueueMarker marker;   // behind the paint request in the queue
    LambdaJob job;
    job.progressRange = 10;
    job.progressInterval = 60000;
    job.body = [&](LambdaJob&) {
        marker.PostAndWait();
        for (int i = 0; i < 10000 && duringJob != Qt::BusyCursor; ++i) std::this_thread::sleep_for(1ms);
    };
    ASSERT_TRUE(job.Run());
    ASSERT_TRUE(marker.seen);
    EXPECT_EQ(other.paints, paintsBefore);
    EXPECT_EQ(duringJob, Qt::BusyCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // repainted once the job has ended
    EXPECT_TRUE(WaitUntil([&] { return other.paints > paintsBefore; }));
}

TEST_F(QtJobHostTest, ThrowingWorkerEndsTheJobWithItsFailure)
{
    BackgroundJob job;
    job.progressRange = 5;
    job.failureResult = -2;
    ASSERT_TRUE(job.RunJob(nullptr, [](void*) -> uint32_t { throw std::runtime_error("boom"); }));
    EXPECT_EQ(job.result, -2);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(QtJobHostTest, WorkerMessagesWaitForTheUserWhileRenderingIsSuspended)
{
    QtMessageSink sink;
    bool openWhileShown = false;
    QString shownText, shownTitle;
    int shownWidth = 0;
    // Plays the user: closes the box once it is up. A child of the progress
    // dialog, so its timer stays alive during the job.
    QTimer user(&dialog);
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        openWhileShown = dialog.messageBoxOpen;
        shownText = box->text();
        shownTitle = box->windowTitle();
        shownWidth = box->width();
        box->accept();
    });
    user.start(10);

    LambdaJob job;
    job.progressRange = 10;
    job.progressInterval = 60000;
    job.body = [](LambdaJob&) { ShowMessage(L"memory error"); };
    ASSERT_TRUE(job.Run());
    EXPECT_TRUE(openWhileShown);
    EXPECT_FALSE(dialog.messageBoxOpen);
    EXPECT_EQ(shownText, QStringLiteral("memory error"));
    EXPECT_EQ(shownTitle, QStringLiteral("Velmor"));
    EXPECT_GE(shownWidth, CaptionWidth(shownTitle));   // the whole title shows in the caption
}

TEST_F(QtJobHostTest, EnterAndEscapeDoNotCloseTheProgressDialog)
{
    dialog.show();
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(CancelButton(), &press);
        EXPECT_TRUE(dialog.isVisible());
    }
    int clicks = 0;
    QObject::connect(CancelButton(), &QPushButton::clicked, [&] { ++clicks; });
    CancelButton()->show();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(CancelButton(), &enter);
    EXPECT_EQ(clicks, 0);
}

} // namespace
