#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

class QNetworkAccessManager;
class QProcess;

namespace pluvix::testsupport {

// Runs the bundled radar server (the binary named by PLUVIX_RADAR_SERVER) on a free loopback
// port for the life of the object, and talks to it.
class RadarServerProcess {
public:
    RadarServerProcess();
    ~RadarServerProcess();

    // Starts with "--port 0" and `arguments` (e.g. {"--start", "2024-05-01T15:30:00Z",
    // "--frozen"}) and waits for its "listening on" line. On failure errorString() says why.
    bool start(const QStringList& arguments = {}, int timeoutMs = 20000);
    void stop();
    bool isRunning() const;
    qint64 processId() const;
    // The server's peak resident memory so far, from the kernel's count; -1 when unknown.
    qint64 peakMemoryMiB() const;

    quint16 port() const { return m_port; }
    QUrl url(const QString& pathAndQuery) const {
        return QUrl(u"http://127.0.0.1:" + QString::number(m_port) + pathAndQuery);
    }
    // "http://127.0.0.1:<port>/radar/images/DS.<product>/SI.<station>/"
    QString folderUrl(const QString& station, const QString& product) const;

    struct Reply {
        int status = 0; // 0 when no HTTP answer came
        QByteArray body;
        QString error; // empty on a complete transfer, whatever the status
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray header(const QByteArray& name) const {
            for (const auto& [key, value] : headers)
                if (key.compare(name, Qt::CaseInsensitive) == 0)
                    return value;
            return {};
        }
    };
    // One blocking GET through QNetworkAccessManager (never from a cache).
    Reply get(const QString& pathAndQuery, int timeoutMs = 30000) const;
    // A control request such as "advance?images=1" or "faults?fail-next=2"; true on 200.
    bool control(const QString& command, QByteArray* body = nullptr) const;

    // Request log lines written so far (everything after the "listening on" line).
    QStringList requestLog() const;
    QString errorString() const { return m_error; }

    static QString executable() { return qEnvironmentVariable("PLUVIX_RADAR_SERVER"); }

private:
    std::unique_ptr<QProcess> m_process;
    std::unique_ptr<QNetworkAccessManager> m_network;
    quint16 m_port = 0;
    QString m_error;
    mutable QByteArray m_output;
};

} // namespace pluvix::testsupport
