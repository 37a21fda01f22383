#include "desktop/HelpPage.h"
#include "support/FakeDesktop.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace pluvix::desktop;
using namespace pluvix::testsupport;
using namespace Qt::StringLiterals;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString sourceDir = QStringLiteral(PLUVIX_HELP_SOURCE_DIR);
const QString builtDir = QStringLiteral(PLUVIX_HELP_BUILT_DIR);

} // namespace

class HelpPageTest : public QObject {
    Q_OBJECT

private slots:
    void opensTheInstalledPageWithBusyCursor() {
        FakeUrlOpener opener;
        Qt::CursorShape during = Qt::ArrowCursor;
        opener.whileOpening = [&] {
            QVERIFY(QGuiApplication::overrideCursor());
            during = QGuiApplication::overrideCursor()->shape();
        };
        HelpPage help(opener, u"/opt/pluvix dir"_s);
        QVERIFY(help.openHelpPage());
        QCOMPARE(opener.opened.size(), 1);
        QCOMPARE(opener.opened.first(), QUrl(u"file:///opt/share/pluvix/help/index.html"_s));
        QCOMPARE(during, Qt::WaitCursor);
        QVERIFY(!QGuiApplication::overrideCursor());

        opener.answer = false;
        QVERIFY(!help.openHelpPage());
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // The build puts the page beside the program, unchanged.
    void pageIsCopiedBesideTheProgram() {
        const QStringList files = QDir(sourceDir).entryList(QDir::Files);
        QVERIFY(files.contains(u"index.html"_s));
        for (const QString& file : files)
            QCOMPARE(readAll(builtDir + u'/' + file), readAll(sourceDir + u'/' + file));
    }

    // Every link inside the page leads somewhere: a section of the page or a file beside it.
    void localLinksResolve() {
        const QString html = QString::fromUtf8(readAll(sourceDir + u"/index.html"_s));
        QVERIFY(!html.isEmpty());
        QSet<QString> ids;
        static const QRegularExpression idPattern(u"\\bid=\"([^\"]+)\""_s);
        for (const auto& m : idPattern.globalMatch(html)) {
            QVERIFY2(!ids.contains(m.captured(1)), qPrintable(m.captured(1)));
            ids.insert(m.captured(1));
        }
        static const QRegularExpression linkPattern(u"\\b(?:href|src)=\"([^\"]+)\""_s);
        int links = 0;
        for (const auto& m : linkPattern.globalMatch(html)) {
            const QString target = m.captured(1);
            ++links;
            if (target.startsWith(u'#'))
                QVERIFY2(ids.contains(target.mid(1)), qPrintable(target));
            else
                QVERIFY2(QFile::exists(sourceDir + u'/' + target), qPrintable(target));
        }
        QVERIFY(links > 10);
    }
};

QTEST_MAIN(HelpPageTest)
#include "tst_helppage.moc"
