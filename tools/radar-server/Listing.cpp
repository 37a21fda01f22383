#include "Listing.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

namespace pluvix::radarserver {

namespace {

QByteArray when(qint64 utcSecs) {
    return QLocale::c()
        .toString(QDateTime::fromSecsSinceEpoch(utcSecs, QTimeZone::utc()), u"dd-MMM-yyyy HH:mm")
        .toLatin1();
}

QByteArray shortSize(qint64 size) {
    if (size < 0)
        return "-";
    if (size < 1024)
        return QByteArray::number(size);
    if (size < 1024 * 1024)
        return QByteArray::number((size + 512) / 1024) + 'K';
    return QByteArray::number(double(size) / (1024.0 * 1024.0), 'f', 1) + 'M';
}

QByteArray escaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

QByteArray padded(const QByteArray& text, qsizetype width) {
    return text.leftJustified(std::max(width, text.size() + 1), ' ');
}

} // namespace

QByteArray folderListing(const QString& path, const QString& parent,
                         const QList<ListingEntry>& entries, ListingStyle style, qint64 padToBytes,
                         const QString& titleNote) {
    QByteArray out;
    QByteArray tail;
    const QByteArray note = titleNote.isEmpty() ? QByteArray() : " (" + escaped(titleNote) + ')';
    if (style == ListingStyle::UpperCase) {
        QString title = path;
        if (title.size() > 1 && title.endsWith(u'/'))
            title.chop(1);
        out += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<HTML>\n <HEAD>\n"
               "  <TITLE>Index of " +
               escaped(title) + note +
               "</TITLE>\n </HEAD>\n <BODY>\n"
               "<H1>Index of " +
               escaped(title) +
               "</H1>\n"
               "<PRE>Name                           Last modified       Size  Description\n<HR>\n";
        out += "<A HREF=\"" + escaped(parent) + "\">Parent Directory</A>" + QByteArray(33, ' ') +
               "-\n";
        for (const ListingEntry& e : entries) {
            const QByteArray name = escaped(e.name);
            out += "<A HREF=\"" + name + "\">" + name + "</A>" +
                   QByteArray(std::max<qsizetype>(1, 31 - e.name.size()), ' ') +
                   when(e.modifiedUtcSecs) + "  " + shortSize(e.size).rightJustified(4) + "\n";
        }
        tail = "<HR></PRE>\n<ADDRESS>pluvix-radar-server</ADDRESS>\n</BODY></HTML>\n";
    } else {
        out += "<html>\r\n<head><title>Index of " + escaped(path) + note +
               "</title></head>\r\n<body>\r\n<h1>Index of " + escaped(path) +
               "</h1><hr><pre><a href=\"../\">../</a>\r\n";
        for (const ListingEntry& e : entries) {
            const QByteArray name = escaped(e.name);
            out += "<a href=\"" + name + "\">" + padded(name + "</a>", 55) +
                   when(e.modifiedUtcSecs) +
                   (e.size < 0 ? QByteArray("-") : QByteArray::number(e.size)).rightJustified(20) +
                   "\r\n";
        }
        tail = "</pre><hr></body>\r\n</html>\r\n";
    }
    if (padToBytes > 0) {
        const QByteArray line = QByteArray(79, '~') + '\n';
        const qint64 missing = padToBytes + 1 - (out.size() + tail.size() + 9);
        const qint64 lines = missing > 0 ? (missing + line.size() - 1) / line.size() : 0;
        out += "<!--\n" + line.repeated(lines) + "-->\n";
    }
    return out + tail;
}

} // namespace pluvix::radarserver
