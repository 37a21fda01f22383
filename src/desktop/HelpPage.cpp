#include "desktop/HelpPage.h"

#include "core/BuildConfig.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

namespace pluvix::desktop {

bool DesktopUrlOpener::openUrl(const QUrl& url) {
    // Qt hands the address to xdg-open and calls it done once the opener started; an opener
    // that finds no viewer fails only with its exit status, which has to be waited for.
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return QDesktopServices::openUrl(url);
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(opener, {url.toString(QUrl::FullyEncoded)});
    if (!process->waitForStarted(m_waitMs)) {
        delete process;
        return false;
    }
    if (process->waitForFinished(m_waitMs)) {
        const bool opened =
            process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        delete process;
        return opened;
    }
    // Some openers stay until the viewer ends; that one was found, so the page is open.
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return true;
}

HelpPage::HelpPage(UrlOpener& opener, QString programDir)
    : m_opener(opener), m_programDir(std::move(programDir)) {}

QUrl HelpPage::url() const {
    const QString dir =
        m_programDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_programDir;
    const QString installed = QDir::cleanPath(
        QDir(dir).absoluteFilePath(QString::fromUtf8(core::build::helpPageInstalledPath)));
    const QString beside =
        QDir(dir).absoluteFilePath(QString::fromUtf8(core::build::helpPageRelativePath));
    // Installed under share/, or beside the program in the build tree.
    return QUrl::fromLocalFile(
        !QFileInfo::exists(installed) && QFileInfo::exists(beside) ? beside : installed);
}

bool HelpPage::openHelpPage() {
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (gui)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = m_opener.openUrl(url());
    if (gui)
        QGuiApplication::restoreOverrideCursor();
    return opened;
}

} // namespace pluvix::desktop
