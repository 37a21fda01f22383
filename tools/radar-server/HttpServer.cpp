#include "HttpServer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace pluvix::radarserver {

namespace {

constexpr int IdleMs = 60000;
// Bytes a client may queue while its previous request is still being answered.
constexpr qsizetype MaxBufferedBytes = 1024 * 1024;
// Answers waiting for a client that does not read: past this no further request is taken up,
// and the socket stops reading, so the client's own window holds the rest.
constexpr qint64 MaxQueuedOutput = 4 * 1024 * 1024;
constexpr qint64 ResumeQueuedOutput = 1024 * 1024;

} // namespace

HttpServer::HttpServer(RadarService& service, RequestLog log, QObject* parent)
    : QObject(parent), m_service(service), m_log(std::move(log)), m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &HttpServer::acceptConnections);
}

bool HttpServer::listen(const QHostAddress& address, quint16 port) {
    m_server->setListenBacklogSize(256);
    return m_server->listen(address, port);
}

quint16 HttpServer::port() const {
    return m_server->serverPort();
}

QString HttpServer::errorString() const {
    return m_server->errorString();
}

void HttpServer::acceptConnections() {
    while (QTcpSocket* socket = m_server->nextPendingConnection())
        new HttpConnection(socket, m_service, m_log, this);
}

HttpConnection::HttpConnection(QTcpSocket* socket, RadarService& service, const RequestLog& log,
                               QObject* parent)
    : QObject(parent), m_socket(socket), m_service(service), m_log(log) {
    socket->setParent(this);
    socket->setReadBufferSize(MaxHeaderBytes + MaxBodyBytes);
    m_idle.setSingleShot(true);
    m_idle.setInterval(IdleMs);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        if (m_blocked)
            m_socket->abort(); // a whole idle period without reading its answers
        else if (!m_busy && !m_stalled)
            m_socket->disconnectFromHost();
    });
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::readMore);
    connect(socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_blocked && m_socket->bytesToWrite() <= ResumeQueuedOutput) {
            m_blocked = false;
            m_idle.start();
            readMore();
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, &HttpConnection::closed);
    connect(&service, &RadarService::stallsReleased, this, &HttpConnection::releaseStall);
    m_idle.start();
    if (socket->bytesAvailable() > 0)
        readMore();
}

void HttpConnection::readMore() {
    if (m_blocked)
        return; // left in the socket: its bounded buffer stops the sender
    m_buffer += m_socket->readAll();
    if (m_stalled || m_closing) {
        m_buffer.clear(); // nobody will answer these
        return;
    }
    if (m_buffer.size() > MaxBufferedBytes) {
        reject(431);
        return;
    }
    m_idle.start();
    processBuffer();
}

void HttpConnection::processBuffer() {
    if (m_busy || m_closing || m_stalled || m_blocked)
        return;
    HttpRequest request;
    switch (parseHttpRequest(m_buffer, request)) {
    case ParseStatus::Incomplete:
        return;
    case ParseStatus::Bad:
        reject(400);
        return;
    case ParseStatus::TooLarge:
        reject(m_buffer.contains("\r\n\r\n") ? 413 : 431);
        return;
    case ParseStatus::Unsupported:
        reject(501);
        return;
    case ParseStatus::Complete:
        break;
    }
    m_busy = true;
    m_started.start();
    const bool loopback = m_socket->peerAddress().isLoopback();
    const ServiceReply reply = m_service.handle(request, loopback);
    if (reply.delivery == ServiceReply::Delivery::Stall) {
        m_stalled = true;
        m_stalledRequest = request;
        m_idle.stop();
        return;
    }
    if (reply.delivery == ServiceReply::Delivery::Deferred) {
        const bool headOnly = reply.headOnly;
        reply.pending->onFinished(
            [self = QPointer(this), request, headOnly](const HttpResponse& r) {
                if (!self)
                    return; // the client left meanwhile
                ServiceReply done;
                done.response = r;
                done.headOnly = headOnly;
                self->send(request, done);
            });
        return;
    }
    if (reply.latencyMs > 0)
        QTimer::singleShot(reply.latencyMs, this, [this, request, reply] { send(request, reply); });
    else
        send(request, reply);
}

void HttpConnection::reject(int status) {
    HttpResponse r = HttpResponse::text(status, reasonPhrase(status) + '\n');
    m_socket->write(serializeHead(r, false, m_service.httpDate()) + r.body);
    logLine("-", "-", QByteArray::number(status), r.body.size());
    m_closing = true;
    m_buffer.clear();
    m_socket->disconnectFromHost();
}

void HttpConnection::send(const HttpRequest& request, const ServiceReply& reply) {
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        m_busy = false;
        return;
    }
    const bool truncated = reply.delivery == ServiceReply::Delivery::Truncated;
    const bool keepAlive = request.keepAlive && !truncated;
    const HttpResponse& r = reply.response;
    QByteArray out = serializeHead(r, keepAlive, m_service.httpDate());
    qint64 bodyBytes = 0;
    if (!reply.headOnly) {
        bodyBytes = truncated ? r.body.size() / 2 : r.body.size();
        out += QByteArrayView(r.body).first(bodyBytes);
    }
    m_socket->write(out);
    logLine(request.method, request.target, QByteArray::number(r.status), bodyBytes);
    m_busy = false;
    if (!keepAlive) {
        m_closing = true;
        m_socket->disconnectFromHost();
        return;
    }
    if (m_socket->bytesToWrite() > MaxQueuedOutput) {
        m_blocked = true;
        m_idle.start();
        return;
    }
    m_idle.start();
    // Pipelined requests may already be waiting.
    QTimer::singleShot(0, this, &HttpConnection::processBuffer);
}

void HttpConnection::logLine(const QByteArray& method, const QByteArray& target,
                             const QByteArray& status, qint64 bytes) {
    if (!m_log)
        return;
    const qint64 ms = m_started.isValid() ? m_started.elapsed() : 0;
    m_log(method + ' ' + target + ' ' + status + ' ' + QByteArray::number(bytes) + ' ' +
          QByteArray::number(ms) + "ms");
}

void HttpConnection::releaseStall() {
    if (!m_stalled)
        return;
    logLine(m_stalledRequest.method, m_stalledRequest.target, "stalled", 0);
    m_stalled = false;
    m_closing = true;
    m_socket->abort();
    deleteLater();
}

void HttpConnection::closed() {
    if (m_stalled) {
        logLine(m_stalledRequest.method, m_stalledRequest.target, "stalled", 0);
        m_stalled = false;
    }
    deleteLater();
}

} // namespace pluvix::radarserver
