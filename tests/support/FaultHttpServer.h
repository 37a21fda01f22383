#pragma once

#include <QHash>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace pluvix::testsupport {

// An HTTP server on its own thread (the test's thread is blocked while it downloads) whose
// paths choose the answer:
//   /ok/T            200 with body "body:T"
//   /slow/MS/T       the same after MS milliseconds
//   /missing         404
//   /stall           headers and 10 of 100 bytes, then silence
//   /silent          nothing at all
//   /cut             400 of 1000 announced bytes, then the connection closes
//   /trickle         one byte every 100 ms
//   /endless         no length, Connection: close, bytes without end while the client reads
//   /gzip            the same, sent as gzip that inflates to zeros without end, whatever the
//                    client asked for
//   /dir/, /dir/N    the listing and files given to setFolder, without any cache header, as a
//                    plain folder server sends them; 500 after 300 ms for a file it was not
//                    given, so that all other requests are in before the failure
class FaultHttpServer {
public:
    FaultHttpServer() {
        m_context = new QObject;
        m_context->moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            m_context,
            [this] {
                auto* server = new QTcpServer(m_context);
                QObject::connect(server, &QTcpServer::newConnection, server, [this, server] {
                    while (QTcpSocket* s = server->nextPendingConnection())
                        accept(s);
                });
                server->listen(QHostAddress::LocalHost, 0);
                m_port = server->serverPort();
            },
            Qt::BlockingQueuedConnection);
    }
    ~FaultHttpServer() {
        QMetaObject::invokeMethod(
            m_context, [this] { delete m_context; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }

    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
    }
    int hits(const QString& path) const {
        QMutexLocker lock(&m_mutex);
        return m_hits.value(path);
    }
    void setFolder(const QByteArray& listing, const QHash<QString, QByteArray>& files) {
        QMutexLocker lock(&m_mutex);
        m_listing = listing;
        m_files = files;
    }

private:
    void accept(QTcpSocket* s) {
        auto request = std::make_shared<QByteArray>();
        QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s, request] {
            if (request->contains("\r\n\r\n"))
                return;
            *request += s->readAll();
            if (!request->contains("\r\n\r\n"))
                return;
            const QString path = QString::fromLatin1(request->split(' ').value(1));
            {
                QMutexLocker lock(&m_mutex);
                ++m_hits[path];
            }
            answer(s, path);
        });
    }

    static void reply(QTcpSocket* s, const QByteArray& status, const QByteArray& body) {
        s->write("HTTP/1.1 " + status + "\r\nContent-Length: " + QByteArray::number(body.size()) +
                 "\r\nConnection: close\r\n\r\n" + body);
        s->disconnectFromHost();
    }

    void answer(QTcpSocket* s, const QString& path) {
        const QStringList parts = path.split(u'/');
        const QString what = parts.value(1);
        if (what == u"ok") {
            reply(s, "200 OK", "body:" + parts.value(2).toLatin1());
        } else if (what == u"slow") {
            const QByteArray body = "body:" + parts.value(3).toLatin1();
            QTimer::singleShot(parts.value(2).toInt(), s, [s, body] { reply(s, "200 OK", body); });
        } else if (what == u"missing") {
            reply(s, "404 Not Found", "<html>gone</html>");
        } else if (what == u"stall") {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789");
        } else if (what == u"silent") {
        } else if (what == u"cut") {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n" +
                     QByteArray(400, 'x'));
            s->disconnectFromHost();
        } else if (what == u"trickle") {
            s->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
            auto* drip = new QTimer(s);
            QObject::connect(drip, &QTimer::timeout, s, [s] { s->write("."); });
            drip->start(100);
        } else if (what == u"endless" || what == u"gzip") {
            // gzip: one fixed-code deflate block that never ends, a zero and then "copy 258 bytes
            // from 1 back" over and over, 13 bytes for every 2,064 inflated.
            const bool gzip = what == u"gzip";
            QByteArray head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
            if (gzip)
                head = "HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nConnection: close\r\n\r\n" +
                       QByteArray::fromHex("1f8b0800000000000003621805");
            s->write(head);
            const QByteArray chunk =
                gzip ? QByteArray::fromHex("a360148c8251300a46c1281805").repeated(80000)
                     : QByteArray(1024 * 1024, 'e');
            QObject::connect(s, &QTcpSocket::bytesWritten, s, [s, chunk] {
                if (s->bytesToWrite() < chunk.size())
                    s->write(chunk);
            });
            s->write(chunk);
        } else if (what == u"dir") {
            QMutexLocker lock(&m_mutex);
            const QString name = parts.value(2);
            if (name.isEmpty())
                reply(s, "200 OK", m_listing);
            else if (m_files.contains(name))
                reply(s, "200 OK", m_files.value(name));
            else
                QTimer::singleShot(300, s, [s] { reply(s, "500 Internal Server Error", {}); });
        } else {
            reply(s, "400 Bad Request", {});
        }
    }

    QThread m_thread;
    QObject* m_context = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QHash<QString, int> m_hits;
    QByteArray m_listing;
    QHash<QString, QByteArray> m_files;
};

} // namespace pluvix::testsupport
