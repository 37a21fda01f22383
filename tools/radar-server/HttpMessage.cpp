#include "HttpMessage.h"

#include <QUrl>

namespace pluvix::radarserver {

QByteArray HttpRequest::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers) {
        if (key == name)
            return value;
    }
    return {};
}

ParseStatus parseHttpRequest(QByteArray& buffer, HttpRequest& request) {
    // Tolerate stray empty lines between requests, as the standard asks.
    qsizetype start = 0;
    while (start + 1 < buffer.size() && buffer[start] == '\r' && buffer[start + 1] == '\n')
        start += 2;
    const qsizetype end = buffer.indexOf("\r\n\r\n", start);
    if (end < 0)
        return buffer.size() - start > MaxHeaderBytes ? ParseStatus::TooLarge
                                                      : ParseStatus::Incomplete;
    if (end - start > MaxHeaderBytes)
        return ParseStatus::TooLarge;

    const QList<QByteArray> lines = buffer.mid(start, end - start).split('\n');
    const QList<QByteArray> first = lines.first().trimmed().split(' ');
    if (first.size() != 3 || first[0].isEmpty() || first[1].isEmpty() ||
        !first[2].startsWith("HTTP/1."))
        return ParseStatus::Bad;

    HttpRequest r;
    r.method = first[0];
    r.target = first[1];
    r.version = first[2];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return ParseStatus::Bad;
        r.headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }

    QByteArray target = r.target;
    if (target.startsWith("http://") || target.startsWith("https://")) {
        const qsizetype slash = target.indexOf('/', target.indexOf("//") + 2);
        target = slash < 0 ? QByteArray("/") : target.mid(slash);
    }
    if (!target.startsWith('/'))
        return ParseStatus::Bad;
    const qsizetype question = target.indexOf('?');
    r.path = QUrl::fromPercentEncoding(question < 0 ? target : target.left(question));
    if (question >= 0)
        r.query = QUrlQuery(QString::fromUtf8(target.mid(question + 1)));

    if (!r.header("transfer-encoding").isEmpty())
        return ParseStatus::Unsupported;
    qsizetype length = 0;
    const QByteArray lengthText = r.header("content-length");
    if (!lengthText.isEmpty()) {
        bool ok = false;
        length = lengthText.toLongLong(&ok);
        if (!ok || length < 0)
            return ParseStatus::Bad;
        if (length > MaxBodyBytes)
            return ParseStatus::TooLarge;
    }
    const qsizetype bodyStart = end + 4;
    if (buffer.size() - bodyStart < length)
        return ParseStatus::Incomplete;
    r.body = buffer.mid(bodyStart, length);

    const QByteArray connection = r.header("connection").toLower();
    r.keepAlive =
        r.version == "HTTP/1.1" ? !connection.contains("close") : connection.contains("keep-alive");
    buffer.remove(0, bodyStart + length);
    request = std::move(r);
    return ParseStatus::Complete;
}

HttpResponse HttpResponse::text(int status, const QByteArray& text) {
    return {status, "text/plain; charset=utf-8", text, {}};
}

HttpResponse HttpResponse::html(int status, const QByteArray& html) {
    return {status, "text/html", html, {}};
}

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 410:
        return "Gone";
    case 413:
        return "Content Too Large";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Status " + QByteArray::number(status);
    }
}

QByteArray serializeHead(const HttpResponse& response, bool keepAlive, const QByteArray& date) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      reasonPhrase(response.status) + "\r\n";
    head += "Server: pluvix-radar-server\r\n";
    if (!date.isEmpty())
        head += "Date: " + date + "\r\n";
    if (!response.contentType.isEmpty())
        head += "Content-Type: " + response.contentType + "\r\n";
    head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    head += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
    head += "\r\n";
    return head;
}

} // namespace pluvix::radarserver
