#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;

namespace pluvix::platform {

// One running copy per settings file. The first copy holds an exclusive lock on a file beside
// the settings (released by the system however the copy ends) and writes into it the name of a
// local socket in a folder private to the user. A later copy finds the lock taken, reads the
// name and asks the holder over the socket to come forward. The lock alone decides who runs, so
// copies started from different environments (with or without XDG_RUNTIME_DIR, over ssh, from
// cron) still exclude each other.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    // problem() says why for the last two, and for First may warn that later starts cannot
    // reach this copy.
    enum class Claim {
        First,        // this copy holds the lock
        Forwarded,    // the running copy answered and has been asked to come forward
        NotAnswering, // the lock is held but its holder did not answer in time (stopped, busy)
        Failed,       // the lock could not be taken at all
    };

    // lockFile: the file beside the settings file; its folder is made if missing.
    explicit SingleInstance(const QString& lockFile, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Waits at most timeoutMs for the lock's holder to answer.
    Claim claim(int timeoutMs = 3000);
    QString problem() const { return m_problem; }
    // Where the first copy listens; empty when it could not.
    QString serverName() const;

signals:
    // A later copy was started. Requests that arrive while this is being handled are merged
    // into one further emission, never a nested one.
    void activationRequested();

private:
    bool takeLock();
    Claim failed();
    void listen();
    void acceptConnections();
    void readRequest(QLocalSocket* socket);
    void requestActivation();
    void deliverActivation();

    QString m_lockFile;
    int m_lockFd = -1;
    bool m_lockWritable = false;
    QString m_problem;
    QString m_madeFolder; // a fresh folder of this run, removed at the end
    std::unique_ptr<QLocalServer> m_server;
    bool m_activationPending = false;
    bool m_delivering = false;
};

} // namespace pluvix::platform
