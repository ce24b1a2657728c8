#pragma once
// One running copy per user: the first start holds a lock file and listens
// on a local socket; a later start hands its path (possibly empty) to the
// first copy in a hand-off record and exits.
#include <QLocalServer>
#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>
#include <string>

namespace velmor {

class SingleInstance {
public:
    // `folder` holds the lock and the socket; by default the user's runtime folder.
    explicit SingleInstance(QString folder = QString());
    ~SingleInstance();

    // True for the first copy, which then listens for later starts.
    bool BecomeFirst();
    // A later start: delivers the path to the running copy; false when none answers.
    bool HandToRunning(const std::wstring& path, int timeoutMs = 3000);
    // Called on the UI thread with each well-formed record's path.
    void SetReceiver(std::function<void(const std::wstring& path)> receiver) { receiver_ = std::move(receiver); }

    static const QString kName;

private:
    void AcceptConnection();

    QString lockPath_;
    QString socketPath_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void(const std::wstring&)> receiver_;
};

} // namespace velmor
