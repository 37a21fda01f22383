#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace pluvix::platform {

// One running copy per key (the settings file a copy writes). The first copy listens on a
// per-user local socket; a later copy with the same key asks it to come forward and ends.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True for the first copy, which from now on answers later starts. False when a running
    // copy answered: it has been asked to come to the front. Blocks for at most timeoutMs.
    bool claim(int timeoutMs = 3000);

    // In $XDG_RUNTIME_DIR (private to the user), else the temporary folder with the user id.
    static QString socketPath(const QString& key);

signals:
    // A later copy with the same key was started.
    void activationRequested();

private:
    void answer();

    QString m_path;
    std::unique_ptr<QLocalServer> m_server;
};

} // namespace pluvix::platform
