#include "acquisition/ImageHistory.h"
#include "acquisition/ImageTime.h"
#include "app/CloseDuringDownload.h"
#include "app/CommandLine.h"
#include "app/LinuxDesktop.h"
#include "app/MainWindow.h"
#include "app/TerminationSignals.h"
#include "core/BuildConfig.h"
#include "diagnostics/ErrorReporter.h"
#include "dialogs/Logo.h"
#include "dialogs/SplashScreen.h"
#include "platform/Clock.h"
#include "platform/NetworkDownloadService.h"
#include "platform/ProgramEnd.h"
#include "platform/QtFileDialogs.h"
#include "platform/QtMessageBoxes.h"
#include "platform/SingleInstance.h"
#include "platform/TempFolder.h"
#include "settings/AppName.h"
#include "settings/FileSettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QStandardPaths>

#include <cstdio>

using namespace pluvix;

namespace {

// A shut-down that could not save says so where a session log or a script sees it.
int statusAfterShutDown(const app::MainWindow& window, const QString& settingsFile) {
    if (!window.shutDownDone() || window.settingsSaved())
        return platform::exitNormal;
    std::fprintf(stderr, "%s: the settings could not be saved to %s; nothing was saved.\n",
                 qPrintable(QCoreApplication::applicationName()), qPrintable(settingsFile));
    return platform::exitFailure;
}

} // namespace

int main(int argc, char* argv[]) {
    // Before the application object: --help and --version need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const app::CommandLine commandLine = app::parseCommandLine(arguments);
    if (commandLine.action != app::CommandLine::Action::Run)
        return app::finishCommandLine(commandLine);
    acquisition::useServerHosts(commandLine.hosts);

    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    // argv[0] names the program file as the user started it (a renamed copy keeps its name).
    const QString programFile = argc > 0
                                    ? QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath()
                                    : QCoreApplication::applicationFilePath();
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString appName = settings::appNameFromProgramFile(programFile);
    QApplication::setApplicationName(appName);
    QApplication::setDesktopFileName(QString::fromUtf8(core::build::appId));
    // The theme's icon when installed, the drawn logo otherwise.
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(dialogs::radarLogoPixmap(side));
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromUtf8(core::build::appId), icon));

    // One copy per settings file; a second start brings the first one forward.
    platform::SingleInstance instance(settings::FileSettingsStore::defaultConfigHome() +
                                      QStringLiteral("/pluvix/") + appName.toLower() +
                                      QStringLiteral(".instance"));
    const auto claim = instance.claim();
    if (!instance.problem().isEmpty())
        std::fprintf(stderr, "%s: %s\n", qPrintable(QFileInfo(programFile).fileName()),
                     qPrintable(instance.problem()));
    if (claim != platform::SingleInstance::Claim::First)
        return claim == platform::SingleInstance::Claim::Forwarded ? platform::exitNormal
                                                                   : platform::exitFailure;

    platform::QtMessageBoxes boxes;
    platform::ProcessEnd programEnd;
    platform::SystemClock clock;

    QString tempPath;
    try {
        tempPath = platform::userTempPath(appName);
    } catch (const std::exception&) {
        boxes.ok(appName, QStringLiteral("Pluvix cannot create its folder for temporary files "
                                         "in the user's cache folder."));
        return platform::exitFailure;
    }

    settings::FileSettingsStore store;
    const QString cacheRoot =
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    platform::NetworkDownloadService downloads(cacheRoot + QStringLiteral("/pluvix/http"),
                                               &acquisition::passesPictureCheck);
    platform::QtFileDialogs fileDialogs;
    app::LinuxDesktop desktop(boxes, tempPath, appName, programDir);

    app::Services services{
        boxes,
        programEnd,
        clock,
        store,
        downloads,
        fileDialogs,
        desktop,
        programFile,
        tempPath,
        diagnostics::logFilePath(programDir, appName),
        [] { return acquisition::GetTimeZoneBias(); },
        [] { QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection); }};
    app::MainWindow window(services);
    const QString settingsFile = store.filePath(appName);

    // Ending the session or a termination signal closes the window the normal way. A box asks
    // something in the middle of an operation (an error box may stand in a half-done load), so
    // with one open the program ends without the shut-down, as the box's own ending would.
    app::TerminationSignals termination;
    window.viewer().errors().answerUnattendedWhile(
        [] { return app::TerminationSignals::received(); });
    QObject::connect(&termination, &app::TerminationSignals::terminationRequested, &window,
                     [&window, &programEnd](int number) {
                         if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                             programEnd.endNow(platform::exitSignalBase + number);
                         else
                             window.requestClose();
                     });
    app::CloseDuringDownload closeDuringDownload(downloads, window);
    QObject::connect(&application, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.shutDown(); });
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &window,
                     [&window] { window.shutDown(); });

    dialogs::SplashScreen splash;
    splash.setObjectName(QStringLiteral("frmSplash"));
    splash.show();
    splash.load([&] { window.startUp(&splash); });

    if (window.shutDownDone())
        return statusAfterShutDown(window, settingsFile);
    QObject::connect(&instance, &platform::SingleInstance::activationRequested, &window, [&window] {
        window.restoreFromTray();
        window.raise();
        window.activateWindow();
    });
    const int status = QApplication::exec();
    return status != 0 ? status : statusAfterShutDown(window, settingsFile);
}
