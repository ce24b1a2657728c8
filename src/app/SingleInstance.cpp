#include "app/SingleInstance.h"

#include "platform/HandoffRecord.h"
#include "platform/UserOnly.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <cstdio>
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
    if (server_) server_->close();
    if (lock_) lock_->unlock();
}

bool SingleInstance::BecomeFirst()
{
    if (!private_) return true;
    // A lock left by a copy that crashed is taken over (QLockFile checks the process).
    if (!lock_->tryLock(200)) return false;
    QLocalServer::removeServer(socketPath_);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] { AcceptConnection(); });
    // Without a socket the program still runs; later starts then open their own window.
    server_->listen(socketPath_);
    return true;
}

void SingleInstance::AcceptConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!PeerIsThisUser(static_cast<int>(socket->socketDescriptor()))) {
            socket->abort();   // another user's process: nothing it says is taken
            socket->deleteLater();
            continue;
        }
        auto buffer = std::make_shared<std::string>();
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket, buffer] {
            const QByteArray chunk = socket->readAll();
            buffer->append(chunk.constData(), static_cast<size_t>(chunk.size()));
            const uint64_t need = HandoffRecordLength(*buffer);
            if (need > 8 + uint64_t{kHandoffMaxBytes} || buffer->size() > 8 + uint64_t{kHandoffMaxBytes}) {
                socket->abort();   // no well-formed record is this long
                return;
            }
            if (need == 0 || buffer->size() < need) return;
            const auto path = DecodeHandoffRecord(*buffer);
            socket->disconnectFromServer();
            if (path && receiver_) receiver_(*path);
        });
    }
}

bool SingleInstance::HandToRunning(const std::wstring& path, int timeoutMs)
{
    if (!private_) return false;
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    // Whoever listens there must be this user's copy, or it would learn the path.
    if (!PeerIsThisUser(static_cast<int>(socket.socketDescriptor()))) return false;
    const std::string record = EncodeHandoffRecord(path);
    socket.write(record.data(), static_cast<qint64>(record.size()));
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return sent;
}

} // namespace velmor
