#include "RadarServerProcess.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTimer>

#include <csignal>
#include <sys/prctl.h>

namespace pluvix::testsupport {

using namespace Qt::StringLiterals;

RadarServerProcess::RadarServerProcess() = default;
RadarServerProcess::~RadarServerProcess() {
    stop();
}

bool RadarServerProcess::start(const QStringList& arguments, int timeoutMs) {
    stop();
    m_error.clear();
    m_output.clear();
    if (executable().isEmpty()) {
        m_error = u"PLUVIX_RADAR_SERVER is not set"_s;
        return false;
    }
    m_process = std::make_unique<QProcess>();
    // A crashed test must not leave a server behind.
    m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    m_process->start(executable(), QStringList{u"--port"_s, u"0"_s} + arguments);
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_output.contains('\n') && m_process->waitForReadyRead(int(deadline.remainingTime())))
        m_output += m_process->readAllStandardOutput();
    const qsizetype eol = m_output.indexOf('\n');
    const QByteArray first = m_output.left(eol).trimmed();
    m_output.remove(0, eol + 1);
    const QByteArray prefix = "listening on 127.0.0.1:";
    bool ok = false;
    const uint port = first.startsWith(prefix) ? first.mid(prefix.size()).toUInt(&ok) : 0;
    if (eol < 0 || !ok || port == 0 || port > 65535) {
        m_error = u"no \"listening on\" line: " + QString::fromUtf8(first) + u"; stderr: " +
                  QString::fromLocal8Bit(m_process->readAllStandardError()) +
                  m_process->errorString();
        stop();
        return false;
    }
    m_port = quint16(port);
    m_network = std::make_unique<QNetworkAccessManager>();
    return true;
}

void RadarServerProcess::stop() {
    m_network.reset();
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
    }
    m_process.reset();
    m_port = 0;
}

bool RadarServerProcess::isRunning() const {
    return m_process && m_process->state() == QProcess::Running;
}

qint64 RadarServerProcess::processId() const {
    return m_process ? m_process->processId() : 0;
}

qint64 RadarServerProcess::peakMemoryMiB() const {
    QFile status(u"/proc/%1/status"_s.arg(processId()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() / 1024;
    return -1;
}

QString RadarServerProcess::folderUrl(const QString& station, const QString& product) const {
    return url(u"/radar/images/DS." + product + u"/SI." + station + u'/').toString();
}

RadarServerProcess::Reply RadarServerProcess::get(const QString& pathAndQuery,
                                                  int timeoutMs) const {
    Reply result;
    if (!m_network)
        return {0, {}, u"server not started"_s, {}};
    QNetworkRequest request(url(pathAndQuery));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(m_network->get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    if (!reply->isFinished())
        return {0, {}, u"timed out"_s, {}};
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    result.headers = reply->rawHeaderPairs();
    // An HTTP error status alone is not a transfer error.
    if (reply->error() != QNetworkReply::NoError && result.status < 400)
        result.error = reply->errorString();
    return result;
}

bool RadarServerProcess::control(const QString& command, QByteArray* body) const {
    const Reply r = get(u"/control/" + command);
    if (body)
        *body = r.body;
    return r.status == 200;
}

QStringList RadarServerProcess::requestLog() const {
    if (m_process) {
        m_process->waitForReadyRead(50);
        m_output += m_process->readAllStandardOutput();
    }
    return QString::fromUtf8(m_output).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace pluvix::testsupport
