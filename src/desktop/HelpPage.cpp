#include "desktop/HelpPage.h"

#include "core/BuildConfig.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace pluvix::desktop {

bool DesktopUrlOpener::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
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
