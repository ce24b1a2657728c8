#include "app/QtJobHost.h"

#include "app/CKxDlgProgress.h"
#include "app/ProgressEvent.h"
#include "app/SceneChangeHold.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QThread>
#include <atomic>
#include <thread>

namespace velmor {
namespace {

// Dropped files are not among them: the main window keeps them until the
// job has ended.
bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::HoverEnter:
    case QEvent::HoverLeave:
    case QEvent::HoverMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

} // namespace

QtJobHost::QtJobHost(CKxDlgProgress* dialog) : dialog_(dialog), previous_(SetJobHost(this)) {}

QtJobHost::~QtJobHost() { SetJobHost(previous_); }

void QtJobHost::Run(BackgroundJob& job, const std::function<void()>& work)
{
    if (job_ != nullptr || QThread::currentThread() != thread()) {
        // One job at a time, started from the UI thread; anything else just
        // runs without a progress display.
        std::thread(work).join();
        return;
    }
    job_ = &job;
    running_ = true;
    if (started_) started_();
    // The worker writes into the scene: nothing arriving meanwhile may free it.
    const SceneChangeHold hold;
    std::atomic<bool> done{false};
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread());
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            // The job records its own failure; the thread must not take the
            // program down.
        }
        done = true;
        dispatcher->wakeUp();
    });

    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    QCoreApplication::instance()->installEventFilter(this);
    QEventLoop loop;
    while (!done.load()) {
        loop.processEvents(QEventLoop::WaitForMoreEvents);
        CopyCancelRequest(job);
    }
    worker.join();
    CopyCancelRequest(job);
    QCoreApplication::instance()->removeEventFilter(this);
    QGuiApplication::restoreOverrideCursor();
    job_ = nullptr;
    running_ = false;

    for (const QPointer<QWidget>& widget : std::as_const(unpainted_))
        if (widget != nullptr) widget->update();
    unpainted_.clear();
    if (ended_) ended_();
}

void QtJobHost::Post(const ProgressMessage& message)
{
    if (dialog_ == nullptr) return;
    QCoreApplication::postEvent(dialog_, new ProgressEvent(message));
    // The end of a job reaches the dialog at once, before the caller goes on.
    if (message.kind == ProgressMessage::Kind::End && QThread::currentThread() == thread())
        QCoreApplication::sendPostedEvents(dialog_);
}

void QtJobHost::CopyCancelRequest(BackgroundJob& job)
{
    if (dialog_ != nullptr && job.progressRange > 0 && job.canCancel && dialog_->cancelRequested) {
        job.cancelled = true;
        dialog_->cancelRequested = false;
    }
}

bool QtJobHost::eventFilter(QObject* watched, QEvent* event)
{
    if (job_ != nullptr && Dropped(watched, event)) {
        if (event->type() == QEvent::Close) event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool QtJobHost::Dropped(QObject* watched, QEvent* event)
{
    if (dialog_ == nullptr) return false;
    if (dialog_->OwnsMessageBoxTarget(watched)) return false;
    if (job_->progressRange > 0 && dialog_->OwnsEventTarget(watched)) return false;
    const QEvent::Type type = event->type();
    if (IsUserInput(type) || type == QEvent::Timer) return true;
    if (type == QEvent::Paint && watched->isWidgetType()) {
        // Other windows must not draw while the worker owns the scene's
        // buffers; they are repainted once the job has ended.
        auto* widget = static_cast<QWidget*>(watched);
        if (!unpainted_.contains(widget)) unpainted_.append(widget);
        return true;
    }
    return false;
}

} // namespace velmor
