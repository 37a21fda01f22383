#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrlQuery>

namespace pluvix::radarserver {

struct HttpRequest {
    QByteArray method;
    QByteArray target; // as sent, for the log
    QString path;      // percent-decoded
    QUrlQuery query;
    QByteArray version;
    QList<QPair<QByteArray, QByteArray>> headers; // names lower-cased
    QByteArray body;
    bool keepAlive = false;

    QByteArray header(QByteArrayView name) const;
};

enum class ParseStatus {
    Incomplete, // need more bytes
    Complete,   // one request taken off the front of the buffer
    Bad,        // 400, then close
    TooLarge,   // 431 or 413, then close
    Unsupported // 501, then close
};

inline constexpr qsizetype MaxHeaderBytes = 16 * 1024;
inline constexpr qsizetype MaxBodyBytes = 64 * 1024;

// Takes the first complete request off the front of `buffer`.
ParseStatus parseHttpRequest(QByteArray& buffer, HttpRequest& request);

struct HttpResponse {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    void addHeader(const QByteArray& name, const QByteArray& value) {
        headers.append(qMakePair(name, value));
    }

    static HttpResponse text(int status, const QByteArray& text);
    static HttpResponse html(int status, const QByteArray& html);
};

QByteArray reasonPhrase(int status);
// Status line and headers up to and including the empty line.
QByteArray serializeHead(const HttpResponse& response, bool keepAlive, const QByteArray& date);

} // namespace pluvix::radarserver
