#include "desktop/GVariantText.h"
#include "desktop/WallpaperBackends.h"
#include "support/FakeDesktop.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(pluvix::desktop::DesktopKind)

class WallpaperBackendsTest : public QObject {
    Q_OBJECT

private slots:
    void desktopFromSession_data() {
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<DesktopKind>("kind");
        QTest::newRow("Ubuntu") << u"ubuntu:GNOME"_s << DesktopKind::Gnome;
        QTest::newRow("Cinnamon") << u"X-Cinnamon"_s << DesktopKind::Cinnamon;
        QTest::newRow("XFCE") << u"XFCE"_s << DesktopKind::Xfce;
        QTest::newRow("unknown first, known later") << u"Foo:XFCE"_s << DesktopKind::Xfce;
        QTest::newRow("none") << QString() << DesktopKind::Unsupported;
    }
    void desktopFromSession() {
        QFETCH(QString, xdg);
        QFETCH(DesktopKind, kind);
        QCOMPARE(desktopKindFrom(xdg), kind);
        FakeCommandRunner runner;
        // The GSettings desktops also need their schema installed.
        if (kind != DesktopKind::Cinnamon)
            QCOMPARE(createWallpaperBackend(kind, runner)->isSupported(),
                     kind != DesktopKind::Unsupported);
    }

    void gvariantText_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << u"file:///home/u/a.tmp"_s;
        QTest::newRow("quotes and backslash") << u"it's a \"b\" \\ c"_s;
        QTest::newRow("control") << u"line\nnext\ttab\x01"_s;
        QTest::newRow("non-ASCII") << u"Zürich ☂"_s;
        QTest::newRow("empty") << QString();
    }
    void gvariantText() {
        QFETCH(QString, text);
        QCOMPARE(gvariantFirstString(gvariantQuoted(text)), std::optional<QString>(text));
        QCOMPARE(gvariantFirstString(u"('"_s + gvariantQuoted(text).mid(1) + u",)"_s),
                 std::optional<QString>(text));
        const QString js = javaScriptQuoted(text);
        QVERIFY(js.startsWith(u'"') && js.endsWith(u'"'));
        QVERIFY(!js.contains(u'\n'));
    }
    void gvariantGarbage() {
        QCOMPARE(gvariantFirstString(u"no string here"_s), std::nullopt);
        QCOMPARE(gvariantFirstString(u"'unterminated"_s), std::nullopt);
        QCOMPARE(gvariantFirstString(u"\"it's\""_s), std::optional<QString>(u"it's"_s));
    }

    // Every monitor and workspace gets the picture; what we created is removed again.
    void xfceCommandLines() {
        FakeCommandRunner runner;
        const QString m1 = u"/backdrop/screen0/monitoreDP-1/workspace0/"_s;
        const QString m2 = u"/backdrop/screen0/monitorHDMI-1/workspace0/"_s;
        runner.answers[FakeCommandRunner::key(u"xfconf-query"_s,
                                              {u"-c"_s, u"xfce4-desktop"_s, u"-l"_s})] =
            FakeCommandRunner::succeeded((m1 + u"last-image\n"_s + m1 + u"image-style\n"_s + m1 +
                                          u"color-style\n"_s + m2 + u"last-image\n"_s)
                                             .toUtf8());
        runner.fallback = [&](const QString&, const QStringList& args) {
            if (args.size() == 4 && args[2] == u"-p"_s) {
                if (args[3] == m1 + u"last-image"_s)
                    return FakeCommandRunner::succeeded("/usr/share/backgrounds/a b.png\n");
                if (args[3] == m1 + u"image-style"_s)
                    return FakeCommandRunner::succeeded("5\n");
                if (args[3] == m2 + u"last-image"_s)
                    return FakeCommandRunner::succeeded("/usr/share/backgrounds/b.png\n");
                return FakeCommandRunner::failed();
            }
            return FakeCommandRunner::succeeded();
        };
        XfceWallpaper xfce(runner);
        const SavedWallpaper saved = xfce.read();
        QCOMPARE(saved.values.value(m1 + u"last-image"_s), u"/usr/share/backgrounds/a b.png"_s);
        QCOMPARE(saved.values.value(m1 + u"image-style"_s), u"5"_s);
        QVERIFY(!saved.values.contains(m2 + u"image-style"_s));

        runner.calls.clear();
        QVERIFY(xfce.writePlacement());
        QVERIFY(xfce.setPicture(u"/tmp/99a03er.tmp"_s));
        const QStringList base{u"xfconf-query"_s, u"-c"_s, u"xfce4-desktop"_s, u"-p"_s};
        QCOMPARE(
            runner.calls,
            (QList<QStringList>{base + QStringList{m1 + u"image-style"_s, u"-n"_s, u"-t"_s,
                                                   u"int"_s, u"-s"_s, u"1"_s},
                                base + QStringList{m2 + u"image-style"_s, u"-n"_s, u"-t"_s,
                                                   u"int"_s, u"-s"_s, u"1"_s},
                                base + QStringList{m1 + u"last-image"_s, u"-n"_s, u"-t"_s,
                                                   u"string"_s, u"-s"_s, u"/tmp/99a03er.tmp"_s},
                                base + QStringList{m2 + u"last-image"_s, u"-n"_s, u"-t"_s,
                                                   u"string"_s, u"-s"_s, u"/tmp/99a03er.tmp"_s}}));

        runner.calls.clear();
        QVERIFY(xfce.restore(saved));
        QVERIFY(runner.calls.contains(base + QStringList{m2 + u"image-style"_s, u"-r"_s}));
        QVERIFY(!runner.calls.contains(base + QStringList{m2 + u"last-image"_s, u"-r"_s}));
        QVERIFY(runner.calls.contains(base + QStringList{m2 + u"last-image"_s, u"-n"_s, u"-t"_s,
                                                         u"string"_s, u"-s"_s,
                                                         u"/usr/share/backgrounds/b.png"_s}));
        QVERIFY(runner.calls.contains(base + QStringList{m1 + u"image-style"_s, u"-n"_s, u"-t"_s,
                                                         u"int"_s, u"-s"_s, u"5"_s}));
        QVERIFY(runner.calls.contains(base + QStringList{m1 + u"last-image"_s, u"-n"_s, u"-t"_s,
                                                         u"string"_s, u"-s"_s,
                                                         u"/usr/share/backgrounds/a b.png"_s}));
    }

    // qdbus when there is one, else gdbus with its GVariant reply.
    void plasmaScripts() {
        const QString saved =
            uR"([{"plugin":"org.kde.slideshow","image":"file:///a.png","fill":"2"}])"_s;
        FakeCommandRunner runner;
        runner.fallback = [&](const QString& program, const QStringList&) {
            if (program == u"gdbus"_s)
                return FakeCommandRunner::succeeded(
                    (u"("_s + gvariantQuoted(saved) + u",)\n"_s).toUtf8());
            return FakeCommandRunner::succeeded();
        };
        PlasmaWallpaper plasma(runner);
        const SavedWallpaper read = plasma.read();
        QCOMPARE(runner.calls.last().first(), u"gdbus"_s);
        QVERIFY(runner.calls.last().contains(u"org.kde.PlasmaShell.evaluateScript"_s));
        const QJsonArray desktops =
            QJsonDocument::fromJson(read.values.value(u"desktops"_s).toUtf8()).array();
        QCOMPARE(desktops.first().toObject().value(u"fill"_s).toString(), u"2"_s);

        runner.programs[u"qdbus"_s] = u"/usr/bin/qdbus"_s;
        QVERIFY(plasma.setPicture(u"/tmp/a\"b.tmp"_s));
        const QStringList call = runner.calls.last();
        QCOMPARE(call.mid(0, 4),
                 (QStringList{u"/usr/bin/qdbus"_s, u"org.kde.plasmashell"_s, u"/PlasmaShell"_s,
                              u"org.kde.PlasmaShell.evaluateScript"_s}));
        QVERIFY(call[4].contains(u"d.writeConfig(\"Image\", \"file:///tmp/a%22b.tmp\")"_s));
        QVERIFY(plasma.writePlacement());
        QVERIFY(runner.calls.last()[4].contains(u"\"FillMode\", 6"_s));
        QVERIFY(plasma.restore(read));
        const QString compact = QString::fromUtf8(
            QJsonDocument::fromJson(saved.toUtf8()).toJson(QJsonDocument::Compact));
        QVERIFY(runner.calls.last()[4].startsWith(u"var saved = "_s + compact + u';'));

        SavedWallpaper forged;
        forged.values[u"desktops"_s] = u"1); evil(); ("_s;
        QVERIFY(!plasma.restore(forged));
    }

    void lxqtReadsItsSettingsFile() {
        QTemporaryDir config;
        QVERIFY(QDir(config.path()).mkpath(u"pcmanfm-qt/lxqt"_s));
        QFile file(config.filePath(u"pcmanfm-qt/lxqt/settings.conf"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Desktop]\nWallpaper=/home/u/own.jpg\nWallpaperMode=stretch\n");
        file.close();
        FakeCommandRunner runner;
        LxqtWallpaper lxqt(runner, config.path());
        const SavedWallpaper saved = lxqt.read();
        QVERIFY(lxqt.setPicture(u"/tmp/99a03er.tmp"_s));
        QVERIFY(lxqt.restore(saved));
        QCOMPARE(runner.calls,
                 (QList<QStringList>{{u"pcmanfm-qt"_s, u"--set-wallpaper=/tmp/99a03er.tmp"_s,
                                      u"--wallpaper-mode=center"_s},
                                     {u"pcmanfm-qt"_s, u"--set-wallpaper=/home/u/own.jpg"_s,
                                      u"--wallpaper-mode=stretch"_s}}));
    }
};

QTEST_GUILESS_MAIN(WallpaperBackendsTest)
#include "tst_wallpaperbackends.moc"
