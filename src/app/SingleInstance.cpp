#include "app/SingleInstance.h"

#include "platform/HandoffRecord.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <unistd.h>

namespace velmor {

const QString SingleInstance::kName = QStringLiteral("Velmor by Quillmarsh");

namespace {

QString DefaultFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    return folder;
}

} // namespace

SingleInstance::SingleInstance(QString folder)
    : lockPath_((folder.isEmpty() ? DefaultFolder() : folder) + QStringLiteral("/%1-%2.lock").arg(kName).arg(getuid())),
      socketPath_((folder.isEmpty() ? DefaultFolder() : folder) + QStringLiteral("/%1-%2.socket").arg(kName).arg(getuid())),
      lock_(lockPath_)
{
}

SingleInstance::~SingleInstance()
{
    if (server_) server_->close();
    lock_.unlock();
}

bool SingleInstance::BecomeFirst()
{
    // A lock left by a copy that crashed is taken over (QLockFile checks the process).
    if (!lock_.tryLock(200)) return false;
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
    QLocalSocket socket;
    socket.connectToServer(socketPath_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    const std::string record = EncodeHandoffRecord(path);
    socket.write(record.data(), static_cast<qint64>(record.size()));
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return sent;
}

} // namespace velmor
