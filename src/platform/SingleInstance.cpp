#include "platform/SingleInstance.h"

#include "platform/TempFolder.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pluvix::platform {

namespace {

const QByteArray showRequest = "show\n";
const QByteArray showAnswer = "ok\n";

// Anyone the user runs can connect: keep what one connection can cost small.
constexpr qint64 maxRequestBytes = 16;
constexpr int maxConnections = 8;
constexpr int requestDeadlineMs = 2000;
constexpr int retryMs = 50;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A folder only this user can enter, so nobody else can plant, replace or reach the socket.
// "made" receives a fresh folder that is this run's own.
QString privateSocketFolder(QString& made) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) &&
        makePrivateFolder(runtime + QStringLiteral("/pluvix")))
        return runtime + QStringLiteral("/pluvix");
    const QString temp = QDir::tempPath();
    if (temp.isEmpty() || !QDir::isAbsolutePath(temp) || QDir(temp).isRoot())
        return {};
    const QString own = temp + QStringLiteral("/pluvix-%1").arg(::geteuid());
    if (makePrivateFolder(own))
        return own;
    // In a shared folder the name may be taken by someone else: that must not stop us.
    QByteArray pattern = QFile::encodeName(own + QStringLiteral("-XXXXXX"));
    if (!::mkdtemp(pattern.data()))
        return {};
    made = QFile::decodeName(pattern);
    return made;
}

// The first line of the lock file: where its holder listens.
QString holderServerName(int fd) {
    char buffer[1024];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    if (n <= 0)
        return {};
    const QByteArray text(buffer, n);
    const qsizetype end = text.indexOf('\n');
    if (end <= 0)
        return {};
    const QString name = QFile::decodeName(text.left(end));
    return QDir::isAbsolutePath(name) ? name : QString();
}

bool askToComeForward(const QString& serverName, const QDeadlineTimer& deadline) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(showRequest);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    while (!socket.canReadLine() && socket.bytesAvailable() < maxRequestBytes)
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    return socket.readLine(maxRequestBytes) == showAnswer;
}

} // namespace

SingleInstance::SingleInstance(const QString& lockFile, QObject* parent)
    : QObject(parent), m_lockFile(lockFile) {}

SingleInstance::~SingleInstance() {
    // Closing removes the socket file; the connections go before the members they count.
    m_server.reset();
    if (!m_madeFolder.isEmpty())
        ::rmdir(QFile::encodeName(m_madeFolder).constData());
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

QString SingleInstance::serverName() const {
    return m_server ? m_server->fullServerName() : QString();
}

SingleInstance::Claim SingleInstance::claim(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    if (!takeLock()) {
        if (m_lockFd >= 0)
            return failed();
        // A folder that takes no file takes no settings either: no copy can write there.
        const QString folder = QFileInfo(m_lockFile).path();
        if (QFileInfo(folder).isDir() &&
            ::access(QFile::encodeName(folder).constData(), W_OK) != 0) {
            m_problem = QStringLiteral("warning: %1 cannot be written; running without a "
                                       "check for other copies")
                            .arg(folder);
            return Claim::First;
        }
        return failed();
    }
    for (;;) {
        if (::flock(m_lockFd, LOCK_EX | LOCK_NB) == 0) {
            listen();
            return Claim::First;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            m_problem = QStringLiteral("cannot lock %1: %2").arg(m_lockFile, systemError(errno));
            return failed();
        }
        // The holder may not have written its name yet, or may be ending: ask again until the
        // deadline.
        const QString name = holderServerName(m_lockFd);
        if (!name.isEmpty() && askToComeForward(name, deadline))
            return Claim::Forwarded;
        if (deadline.hasExpired()) {
            m_problem =
                QStringLiteral("another copy holds %1 and is not answering").arg(m_lockFile);
            return Claim::NotAnswering;
        }
        QThread::msleep(retryMs);
    }
}

SingleInstance::Claim SingleInstance::failed() {
    m_problem =
        QStringLiteral("cannot make sure that no other copy uses the settings: ") + m_problem;
    return Claim::Failed;
}

// False with m_lockFd open when the file is there but no lock file; false with it closed when
// the file cannot be opened at all. m_problem says which.
bool SingleInstance::takeLock() {
    QDir().mkpath(QFileInfo(m_lockFile).path());
    const QByteArray native = QFile::encodeName(m_lockFile);
    // Not followed through links, and not blocked by a pipe planted in its place.
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    m_lockFd = ::open(native.constData(), O_RDWR | O_CREAT | flags, 0600);
    m_lockWritable = m_lockFd >= 0;
    if (m_lockFd < 0 && (errno == EACCES || errno == EROFS))
        m_lockFd = ::open(native.constData(), O_RDONLY | flags);
    if (m_lockFd < 0) {
        m_problem = QStringLiteral("cannot open %1: %2").arg(m_lockFile, systemError(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(m_lockFd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        m_problem = QStringLiteral("%1 is not a file of this user").arg(m_lockFile);
        return false;
    }
    return true;
}

void SingleInstance::listen() {
    const QString folder = privateSocketFolder(m_madeFolder);
    if (folder.isEmpty()) {
        m_problem = QStringLiteral("warning: no private folder for the socket in %1; later "
                                   "starts cannot reach this copy")
                        .arg(QDir::tempPath());
        return;
    }
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(m_lockFile.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
    const QString name = folder + u'/' + hash;
    // The folder is ours alone: whatever has this name was left by an earlier copy.
    QLocalServer::removeServer(name);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->setMaxPendingConnections(maxConnections);
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    if (!m_server->listen(name)) {
        m_problem = QStringLiteral("warning: no socket at %1 (%2); later starts cannot reach "
                                   "this copy")
                        .arg(name, m_server->errorString());
        m_server.reset();
        return;
    }
    const QByteArray line = QFile::encodeName(name) + '\n';
    if (!m_lockWritable || ::ftruncate(m_lockFd, 0) != 0 ||
        ::pwrite(m_lockFd, line.constData(), size_t(line.size()), 0) != line.size())
        m_problem = QStringLiteral("warning: cannot write %1; later starts cannot reach this "
                                   "copy")
                        .arg(m_lockFile);
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (m_server->findChildren<QLocalSocket*>(Qt::FindDirectChildrenOnly).size() >
            maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(maxRequestBytes);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        QTimer::singleShot(requestDeadlineMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readRequest(socket);
    }
}

void SingleInstance::readRequest(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= maxRequestBytes) {
            socket->abort();
            socket->deleteLater();
        }
        return;
    }
    // One request per connection.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    const bool show = socket->readLine(maxRequestBytes) == showRequest;
    if (show)
        socket->write(showAnswer);
    socket->disconnectFromServer();
    if (show)
        requestActivation();
}

void SingleInstance::requestActivation() {
    if (m_activationPending)
        return;
    m_activationPending = true;
    // Bringing the window forward runs the event loop (more requests arrive meanwhile) and may
    // delete the socket: it happens after this handler, and only at the outermost level.
    if (!m_delivering)
        QMetaObject::invokeMethod(this, &SingleInstance::deliverActivation, Qt::QueuedConnection);
}

void SingleInstance::deliverActivation() {
    if (m_delivering)
        return;
    m_delivering = true;
    while (m_activationPending) {
        m_activationPending = false;
        emit activationRequested();
    }
    m_delivering = false;
}

} // namespace pluvix::platform
