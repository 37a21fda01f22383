#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace pluvix::platform {

namespace {
const QByteArray showRequest = "show\n";
const QByteArray showAnswer = "ok\n";
} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent), m_path(socketPath(key)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath(const QString& key) {
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
        return runtime + QStringLiteral("/pluvix-") + hash;
    return QDir::tempPath() + QStringLiteral("/pluvix-%1-").arg(::getuid()) + hash;
}

bool SingleInstance::claim(int timeoutMs) {
    // Two copies started together must not both decide they are first.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.tryLock(timeoutMs);

    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (socket.waitForConnected(timeoutMs)) {
        socket.write(showRequest);
        socket.waitForBytesWritten(timeoutMs);
        // A copy that accepts but never answers still owns the settings: do not start.
        socket.waitForReadyRead(timeoutMs);
        return false;
    }

    // Nobody answers: a socket file left behind by a copy that crashed is taken over.
    QLocalServer::removeServer(m_path);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::answer);
    if (!m_server->listen(m_path))
        qWarning("pluvix: no single-instance socket at %s: %s", qPrintable(m_path),
                 qPrintable(m_server->errorString()));
    return true;
}

void SingleInstance::answer() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const bool show = socket->readLine() == showRequest;
            if (show) {
                socket->write(showAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
            // Bringing the window forward may wait for the desktop, and the socket can be
            // deleted meanwhile: the request is handled after this handler.
            if (show)
                QMetaObject::invokeMethod(this, &SingleInstance::activationRequested,
                                          Qt::QueuedConnection);
        });
    }
}

} // namespace pluvix::platform
