#include "app/window/main/SingleInstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>

namespace pw {
namespace {
constexpr char kShowRequest[] = "show\n";
}

QString SingleInstance::socketName(const QString& programFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(programFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("padwarden-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains("show")) {
                    Q_EMIT showRequested();
                }
            });
            if (socket->bytesAvailable() > 0 && socket->readAll().contains("show")) {
                Q_EMIT showRequested();
            }
        }
    });
}

bool SingleInstance::handOverToRunningInstance(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(kShowRequest);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    return sent;
}

bool SingleInstance::listen() {
    // Only this user may ask this instance for its window.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(name_)) {
        return true;
    }
    // Nobody answered handOverToRunningInstance, so a socket file there is a leftover.
    QLocalServer::removeServer(name_);
    return server_.listen(name_);
}

}  // namespace pw
