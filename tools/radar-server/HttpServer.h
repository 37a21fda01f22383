#pragma once

#include "RadarService.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace pluvix::radarserver {

// One line per finished request: method, target, status, body bytes sent, milliseconds.
using RequestLog = std::function<void(const QByteArray& line)>;

// HTTP/1.1 over plain sockets, so that faults can decide exactly which bytes go out.
class HttpServer : public QObject {
    Q_OBJECT
public:
    HttpServer(RadarService& service, RequestLog log, QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    QString errorString() const;

private:
    void acceptConnections();

    RadarService& m_service;
    RequestLog m_log;
    QTcpServer* m_server;
};

class HttpConnection : public QObject {
    Q_OBJECT
public:
    HttpConnection(QTcpSocket* socket, RadarService& service, const RequestLog& log,
                   QObject* parent);

private:
    void readMore();
    void processBuffer();
    void reject(int status);
    void send(const HttpRequest& request, const ServiceReply& reply);
    void logLine(const QByteArray& method, const QByteArray& target, const QByteArray& status,
                 qint64 bytes);
    void releaseStall();
    void closed();

    QTcpSocket* m_socket;
    RadarService& m_service;
    const RequestLog& m_log;
    QByteArray m_buffer;
    bool m_busy = false;
    bool m_closing = false;
    bool m_stalled = false;
    bool m_blocked = false; // too many answers unread by the client
    HttpRequest m_stalledRequest;
    QElapsedTimer m_started;
    QTimer m_idle;
};

} // namespace pluvix::radarserver
