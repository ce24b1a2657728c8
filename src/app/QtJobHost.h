#pragma once
// The program's job host. The worker runs on a std::thread while the UI
// thread waits in a nested event loop in which only the progress dialog (and
// a message box it opened) stays alive: input and timers meant for other
// windows are thrown away, not kept for later, and their painting waits
// until the job has ended. The busy cursor shows meanwhile.
#include "scene/BackgroundJob.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <functional>

namespace velmor {

class CKxDlgProgress;

class QtJobHost final : public QObject, public JobHost {
public:
    // Installs itself as the job host for its lifetime. `dialog` must
    // outlive the host.
    explicit QtJobHost(CKxDlgProgress* dialog);
    ~QtJobHost() override;

    void Run(BackgroundJob& job, const std::function<void()>& work) override;
    void Post(const ProgressMessage& message) override;

    // Whether a job runs now (its nested loop is waiting on the UI thread).
    bool Running() const { return running_.load(); }
    // Called on the UI thread as a job starts and after it has ended (the
    // view locks its controls around jobs; what arrived meanwhile is applied).
    void SetJobHooks(std::function<void()> started, std::function<void()> ended)
    {
        started_ = std::move(started);
        ended_ = std::move(ended);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CopyCancelRequest(BackgroundJob& job);
    bool Dropped(QObject* watched, QEvent* event);

    CKxDlgProgress* dialog_;
    JobHost* previous_;
    BackgroundJob* job_ = nullptr;
    std::atomic<bool> running_{false};   // read by tests from other threads
    QList<QPointer<QWidget>> unpainted_;
    std::function<void()> started_, ended_;
};

} // namespace velmor
