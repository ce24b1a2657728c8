#include "app/SingleInstance.h"

#include "platform/HandoffRecord.h"
#include "platform/UserOnly.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor {

const QString SingleInstance::kName = QStringLiteral("Velmor by Quillmarsh");

namespace {

QString TemporaryFolderOfUser() { return QDir::tempPath() + QStringLiteral("/velmor-%1").arg(geteuid()); }

bool IsPrivate(const QString& folder) { return !folder.isEmpty() && EnsurePrivateFolder(QFile::encodeName(folder).toStdString()); }

// The runtime folder when it is private, as it should be; otherwise (unset,
// or open to others) a folder of the user's own in the temporary folder.
QString ChooseFolder(const QString& wanted)
{
    if (!wanted.isEmpty()) return wanted;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return IsPrivate(runtime) ? runtime : TemporaryFolderOfUser();
}

} // namespace

SingleInstance::SingleInstance(QString folder)
{
    const QString chosen = ChooseFolder(folder);
    private_ = IsPrivate(chosen);
    if (!private_) {
        std::fprintf(stderr, "Velmor: %s is not a folder of this user alone; this copy runs on its own\n",
                     QFile::encodeName(chosen).constData());
        return;
    }
    lockPath_ = chosen + QStringLiteral("/%1-%2.lock").arg(kName).arg(geteuid());
    socketPath_ = chosen + QStringLiteral("/%1-%2.socket").arg(kName).arg(geteuid());
    lock_ = std::make_unique<QLockFile>(lockPath_);
}

SingleInstance::~SingleInstance()
{
    if (thread_) {
        QMetaObject::invokeMethod(listener_.get(), [this] { StopListening(); }, Qt::BlockingQueuedConnection);
        thread_->quit();
        thread_->wait();
    }
    if (lock_) lock_->unlock();
}

bool SingleInstance::BecomeFirst()
{
    if (!private_) return true;
    // A lock left by a copy that crashed is taken over (QLockFile checks the process).
    if (!lock_->tryLock(200)) return false;
    ui_ = std::make_unique<QObject>();
    thread_ = std::make_unique<QThread>();
    thread_->setObjectName(QStringLiteral("hand-offs"));
    listener_ = std::make_unique<QObject>();
    listener_->moveToThread(thread_.get());
    thread_->start();
    QMetaObject::invokeMethod(listener_.get(), [this] { StartListening(); }, Qt::BlockingQueuedConnection);
    return true;
}

void SingleInstance::StartListening()
{
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] { AcceptConnection(); });
    Listen();
    // Qt stops listening and removes the socket when an accept fails (no
    // descriptor left), and a cleaner may remove the file: later starts
    // would then open windows of their own for the rest of the run.
    auto* check = new QTimer(server_.get());
    QObject::connect(check, &QTimer::timeout, [this] {
        if (!Listening()) Listen();
    });
    check->start(kListenCheckMs);
}

void SingleInstance::StopListening()
{
    // Its connections go with it.
    server_.reset();
}

void SingleInstance::Listen()
{
    server_->close();
    QLocalServer::removeServer(socketPath_);
    // Without a socket the program still runs; later starts then open their
    // own window until a later check listens again.
    struct stat st {};
    if (server_->listen(socketPath_) && lstat(QFile::encodeName(socketPath_).constData(), &st) == 0) {
        socketDevice_ = st.st_dev;
        socketInode_ = st.st_ino;
    }
}

bool SingleInstance::Listening() const
{
    struct stat st {};
    return server_->isListening() && lstat(QFile::encodeName(socketPath_).constData(), &st) == 0 &&
           S_ISSOCK(st.st_mode) && st.st_dev == socketDevice_ && st.st_ino == socketInode_;
}

void SingleInstance::AcceptConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Another user's process: nothing it says is taken.
        bool refused = !PeerIsThisUser(static_cast<int>(socket->socketDescriptor()));
        if (!refused && pending_.size() >= pendingCap_) {
            // The oldest connection that has not even sent its record makes
            // room: a start that is connecting now answers within moments.
            const auto idle = std::find_if(pending_.begin(), pending_.end(), [](const Exchange& e) { return !e.path; });
            if (idle != pending_.end()) Drop(idle->socket);
            else refused = true;
        }
        if (refused) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        pending_.push_back(Exchange{socket, {}, {}});
        QObject::connect(socket, &QObject::destroyed, server_.get(), [this, socket] { Forget(socket); });
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { Receive(socket); });
        QTimer::singleShot(kAnswerTimeoutMs, socket, [this, socket] { Expire(socket); });
    }
}

SingleInstance::Exchange* SingleInstance::Find(QLocalSocket* socket)
{
    const auto found = std::find_if(pending_.begin(), pending_.end(), [socket](const Exchange& e) { return e.socket == socket; });
    return found == pending_.end() ? nullptr : &*found;
}

void SingleInstance::Forget(QLocalSocket* socket)
{
    pending_.remove_if([socket](const Exchange& e) { return e.socket == socket; });
}

void SingleInstance::Drop(QLocalSocket* socket)
{
    Forget(socket);
    socket->abort();
    socket->deleteLater();
}

void SingleInstance::Expire(QLocalSocket* socket)
{
    // What arrived in time is still taken, however late this loop comes to it.
    const QPointer<QLocalSocket> alive(socket);
    if (Find(socket) != nullptr) socket->waitForReadyRead(0);
    if (alive && Find(socket) != nullptr) Drop(socket);
}

void SingleInstance::Receive(QLocalSocket* socket)
{
    Exchange* exchange = Find(socket);
    if (exchange == nullptr) return;
    const QByteArray chunk = socket->readAll();
    exchange->bytes.append(chunk.constData(), static_cast<size_t>(chunk.size()));
    if (!exchange->path) {
        const uint64_t need = HandoffRecordLength(exchange->bytes);
        if (need > 8 + uint64_t{kHandoffMaxBytes} || exchange->bytes.size() > 8 + uint64_t{kHandoffMaxBytes}) {
            Drop(socket);   // no well-formed record is this long
            return;
        }
        if (need == 0 || exchange->bytes.size() < need) return;
        exchange->path = DecodeHandoffRecord(std::string_view(exchange->bytes).substr(0, need));
        if (!exchange->path) {
            Drop(socket);
            return;
        }
        exchange->bytes.erase(0, need);
        const std::string accepted = EncodeHandoffReply(HandoffReply::kAccepted);
        socket->write(accepted.data(), static_cast<qint64>(accepted.size()));
        socket->flush();
    }
    if (exchange->bytes.size() < kHandoffReplyBytes) return;
    const bool confirmed = DecodeHandoffReply(exchange->bytes) == HandoffReply::kConfirmed;
    const std::wstring path = *exchange->path;
    Forget(socket);
    socket->disconnectFromServer();
    if (confirmed) Deliver(path);
}

void SingleInstance::Deliver(const std::wstring& path)
{
    QMetaObject::invokeMethod(ui_.get(), [this, path] {
        if (receiver_) receiver_(path);
    }, Qt::QueuedConnection);
}

namespace {

int Remaining(const QDeadlineTimer& deadline) { return static_cast<int>(deadline.remainingTime()); }

bool Send(QLocalSocket& socket, const std::string& bytes, const QDeadlineTimer& deadline)
{
    if (socket.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) return false;
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(Remaining(deadline))) return false;
    return true;
}

std::optional<HandoffReply> ReadReply(QLocalSocket& socket, const QDeadlineTimer& deadline)
{
    std::string reply;
    while (reply.size() < kHandoffReplyBytes) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(Remaining(deadline))) return std::nullopt;
        reply += socket.read(static_cast<qint64>(kHandoffReplyBytes - reply.size())).toStdString();
    }
    return DecodeHandoffReply(reply);
}

} // namespace

bool SingleInstance::HandToRunning(const std::wstring& path, int timeoutMs)
{
    if (!private_) return false;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(Remaining(deadline))) return false;
    // Whoever listens there must be this user's copy, or it would learn the path.
    if (!PeerIsThisUser(static_cast<int>(socket.socketDescriptor()))) return false;
    // A connection and the record are taken by the system even from a copy
    // that is stopped: only its answer shows that it runs. Past the bound the
    // copy may have dropped the connection: no confirmation then, and the
    // file opens here.
    if (!Send(socket, EncodeHandoffRecord(path), deadline) ||
        ReadReply(socket, deadline) != HandoffReply::kAccepted || deadline.hasExpired() ||
        !Send(socket, EncodeHandoffReply(HandoffReply::kConfirmed), deadline))
        return false;
    socket.disconnectFromServer();
    return true;
}

} // namespace velmor
