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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CopyCancelRequest(BackgroundJob& job);
    bool Dropped(QObject* watched, QEvent* event);

    CKxDlgProgress* dialog_;
    JobHost* previous_;
    BackgroundJob* job_ = nullptr;
    QList<QPointer<QWidget>> unpainted_;
};

} // namespace velmor
