#pragma once
// One running copy per user: the first start holds a lock file and listens
// on a local socket; a later start hands its path (possibly empty) to the
// first copy in a hand-off record and exits once the copy has taken it. Both
// live in a folder only this user can use, and either end talks only to a
// process of the same user: another user must never learn which file is
// opened, nor hand one over. The first copy answers on a thread of its own,
// so that a later start is taken at once even while the window draws or
// loads for long; the path then waits for the UI thread.
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace velmor {

class SingleInstance {
public:
    // `folder` holds the lock and the socket; by default the user's runtime
    // folder, else a folder of the user's own under the temporary folder.
    // A folder that is not private to the user is not used at all.
    explicit SingleInstance(QString folder = QString());
    ~SingleInstance();

    // True for the first copy, which then listens for later starts (on
    // return it already does); also true, without listening, when there is
    // no private folder. Call it on the UI thread.
    bool BecomeFirst();
    // A later start: delivers the path to the running copy; false when no
    // copy of this user has taken it within `timeoutMs` (a copy that is
    // stopped or hung then never opens it either).
    bool HandToRunning(const std::wstring& path, int timeoutMs = kAnswerTimeoutMs);
    bool HasPrivateFolder() const { return private_; }
    // Called on the UI thread with the path of each record whose sender
    // confirmed the hand-off.
    void SetReceiver(std::function<void(const std::wstring& path)> receiver) { receiver_ = std::move(receiver); }

    static const QString kName;
    // A later start waits this long for the copy (only a stopped one makes
    // it wait); the copy gives a connection as long to complete its
    // exchange before dropping it.
    static constexpr int kAnswerTimeoutMs = 5000;
    // Connections that have not completed their exchange, each holding a
    // descriptor: a script that connects and hangs must not take them all.
    static constexpr size_t kMaxPendingExchanges = 32;
    // How often the first copy makes sure that it still listens.
    static constexpr int kListenCheckMs = 1000;
    // Tests lower the cap rather than open that many connections.
    void SetPendingCap(size_t cap) { pendingCap_ = cap; }

private:
    // What one connection has sent so far.
    struct Exchange {
        QLocalSocket* socket;
        std::string bytes;
        std::optional<std::wstring> path;   // set once the record is accepted
    };

    // On the listening thread.
    void StartListening();
    void StopListening();
    void Listen();
    bool Listening() const;
    void AcceptConnection();
    void Receive(QLocalSocket* socket);
    void Expire(QLocalSocket* socket);
    Exchange* Find(QLocalSocket* socket);
    // Closes the connection; whatever it sent is not taken.
    void Drop(QLocalSocket* socket);
    void Forget(QLocalSocket* socket);
    // Hands a confirmed path to the receiver on the UI thread.
    void Deliver(const std::wstring& path);

    bool private_ = false;
    QString lockPath_;
    QString socketPath_;
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    std::atomic<size_t> pendingCap_ = kMaxPendingExchanges;
    std::unique_ptr<QLockFile> lock_;
    // The listening thread's own: the server, its connections and what they sent.
    std::unique_ptr<QThread> thread_;
    std::unique_ptr<QObject> listener_;   // lives on thread_
    std::unique_ptr<QLocalServer> server_;
    std::list<Exchange> pending_;   // oldest first
    // The UI thread's: where confirmed paths are delivered.
    std::unique_ptr<QObject> ui_;
    std::function<void(const std::wstring&)> receiver_;
};

} // namespace velmor
