#pragma once

#include <QString>
#include <QUrl>

namespace pluvix::desktop {

// Hands an address to the desktop (default browser, file viewer).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool openUrl(const QUrl& url) = 0;
};

class DesktopUrlOpener final : public UrlOpener {
public:
    // waitMs: how long the opener's answer is waited for.
    explicit DesktopUrlOpener(int waitMs = 5000) : m_waitMs(waitMs) {}
    bool openUrl(const QUrl& url) override;

private:
    int m_waitMs;
};

// "Pluvix Help": the help page under share/pluvix/help of the installation, or beside the
// program in the build tree.
class HelpPage {
public:
    // programDir: the folder of the program file; empty means the running program's folder.
    explicit HelpPage(UrlOpener& opener, QString programDir = {});

    QUrl url() const;
    // Busy cursor while the desktop starts the viewer. False when the desktop refused.
    bool openHelpPage();

private:
    UrlOpener& m_opener;
    QString m_programDir;
};

} // namespace pluvix::desktop
