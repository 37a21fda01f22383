#include "app/CommandLine.h"

#include "core/BuildConfig.h"

#include <QUrl>

#include <cstdio>

namespace pluvix::app {

using namespace Qt::StringLiterals;

namespace {

// HOST or HOST:PORT, IPv6 addresses in brackets; nothing else (no scheme, path or user).
bool isHostPort(const QString& text) {
    if (text.isEmpty() || text.contains(u'/') || text.contains(u'@') || text.contains(u'?') ||
        text.contains(u'#'))
        return false;
    const QUrl url(QStringLiteral("http://") + text, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty() && url.port() != 0 && !text.endsWith(u':');
}

// The options Qt's application classes and the X11 platform take, with one dash.
const QStringList qtValueOptions{u"platform"_s,        u"platformpluginpath"_s,
                                 u"platformtheme"_s,   u"plugin"_s,
                                 u"qwindowgeometry"_s, u"qwindowicon"_s,
                                 u"qwindowtitle"_s,    u"session"_s,
                                 u"display"_s,         u"geometry"_s,
                                 u"title"_s,           u"name"_s,
                                 u"visual"_s,          u"style"_s,
                                 u"stylesheet"_s,      u"qmljsdebugger"_s};
const QStringList qtFlagOptions{u"reverse"_s, u"widgetcount"_s, u"nograb"_s, u"dograb"_s};

// "-NAME" or "-NAME=VALUE" with NAME in the list.
bool isQtOption(const QString& arg, const QStringList& names) {
    return arg.startsWith(u'-') && !arg.startsWith(u"--") &&
           names.contains(arg.mid(1).section(u'=', 0, 0));
}

QString helpText(const QString& program) {
    const acquisition::ServerHosts built = acquisition::buildTimeHosts();
    return QStringLiteral("Usage: %1 [OPTION]...\n"
                          "Show weather-radar images from a radar image server.\n\n"
                          "  --radar-host HOST[:PORT]      radar image server for this run "
                          "(default %2)\n"
                          "  --satellite-host HOST[:PORT]  satellite image server for this run "
                          "(default %3)\n"
                          "  -h, --help                    show this help and exit\n"
                          "  -v, --version                 show the version and exit\n\n"
                          "Settings are kept per program name in ~/.config/pluvix/. A second "
                          "start under the same\nname brings the running window to the front.\n")
        .arg(program, built.radar, built.satellite);
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine result;
    result.hosts = acquisition::buildTimeHosts();
    const QString program =
        arguments.isEmpty() ? QStringLiteral("pluvix") : arguments.first().section(u'/', -1);
    const auto fail = [&](const QString& why) {
        result.action = CommandLine::Action::Error;
        result.message = program + QStringLiteral(": ") + why +
                         QStringLiteral("\nTry '%1 --help' for more information.\n").arg(program);
        return result;
    };

    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (arg == u"-h" || arg == u"--help") {
            result.action = CommandLine::Action::Help;
            result.message = helpText(program);
            return result;
        }
        if (arg == u"-v" || arg == u"--version") {
            result.action = CommandLine::Action::Version;
            result.message = QStringLiteral("Pluvix %1.%2.%3\n")
                                 .arg(core::build::versionMajor)
                                 .arg(core::build::versionMinor)
                                 .arg(core::build::versionRevision);
            return result;
        }
        QString value;
        const qsizetype eq = arg.indexOf(u'=');
        if (arg.startsWith(u"--") && eq > 0) {
            value = arg.mid(eq + 1);
            arg.truncate(eq);
        }
        QString* target = arg == u"--radar-host"       ? &result.hosts.radar
                          : arg == u"--satellite-host" ? &result.hosts.satellite
                                                       : nullptr;
        if (target) {
            if (eq <= 0) {
                if (i + 1 >= arguments.size())
                    return fail(arg + QStringLiteral(" needs HOST[:PORT]"));
                value = arguments[++i];
            }
            if (!isHostPort(value))
                return fail(QStringLiteral("'%1' is not HOST[:PORT]").arg(value));
            *target = value;
        } else if (isQtOption(arg, qtValueOptions)) {
            if (!arg.contains(u'=') && i + 1 < arguments.size())
                ++i; // Qt takes the next argument as the value, whatever it is
        } else if (!isQtOption(arg, qtFlagOptions) || arg.contains(u'=')) {
            // "-radar-host" taken for a Qt option would drop the host without a word.
            return fail(QStringLiteral("unknown argument '%1'").arg(arguments[i]));
        }
    }
    return result;
}

int finishCommandLine(const CommandLine& commandLine) {
    const QByteArray text = commandLine.message.toLocal8Bit();
    const bool error = commandLine.action == CommandLine::Action::Error;
    std::fputs(text.constData(), error ? stderr : stdout);
    return error ? 2 : 0;
}

} // namespace pluvix::app
