#include "acquisition/ImageHistory.h"
#include "acquisition/Listing.h"
#include "platform/NetworkDownloadService.h"
#include "support/FakePlatform.h"
#include "support/RadarServerProcess.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace pluvix;

namespace {

class Host final : public acquisition::ListingHost {
public:
    QString baseUrl;
    bool loading = false;
    QList<bool> connectionOK;
    QList<bool> notice;
    QString file;

    QString& BaseURL() override { return baseUrl; }
    qint16 MapTypeIndex() const override { return 0; }
    bool IsLoadingMap() const override { return loading; }
    void setConnectionOK(bool ok) override { connectionOK << ok; }
    void showConnectionNotice(bool visible) override { notice << visible; }
    QString appTitle() const override { return QStringLiteral("Pluvix"); }
    QString listingFile() const override { return file; }
};

} // namespace

// The listing fetch, the history download and the picture checks against the bundled server;
// faults are tested against servers whose answers the tests control exactly.
class AcquisitionServerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void listingAndHistoryLoad();

private:
    testsupport::RadarServerProcess m_server;
    QTemporaryDir m_dir;
    std::unique_ptr<platform::NetworkDownloadService> m_downloads;
    Host m_host;
    testsupport::FakeMessageBoxes m_boxes;
    testsupport::FakeProgramEnd m_end;
    testsupport::RecordingErrorSink m_errors;
};

void AcquisitionServerTest::initTestCase() {
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    m_host.baseUrl = m_server.folderUrl(QStringLiteral("kmlb"), QStringLiteral("p37cr"));
    m_host.file = m_dir.filePath(QStringLiteral("tempURL.txt"));
    m_downloads =
        std::make_unique<platform::NetworkDownloadService>(m_dir.filePath(QStringLiteral("http")));
}

void AcquisitionServerTest::listingAndHistoryLoad() {
    acquisition::ListingFetcher fetcher(m_host, *m_downloads, m_boxes, m_end, m_errors);
    fetcher.ParseURLText();
    QVERIFY(m_errors.reports.isEmpty());
    QCOMPARE(m_host.notice, QList<bool>{false});

    static const QRegularExpression imageName(QStringLiteral("^\\w{3}\\d{8}.{4}\\d{4}.*\\.gif$"),
                                              QRegularExpression::CaseInsensitiveOption);
    QStringList names(fetcher.ImageNames.begin(), fetcher.ImageNames.end());
    for (const QString& name : names)
        QVERIFY2(imageName.match(name).hasMatch(), qPrintable(name));
    QStringList sorted = names;
    sorted.sort();
    QCOMPARE(names, sorted);
    QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 10);

    QList<QUrl> urls;
    for (const QString& name : names)
        urls << QUrl(m_host.baseUrl + name);
    const QString imageFile = m_dir.filePath(QStringLiteral("tempIMG.gif"));
    auto batch = m_downloads->startBatch(urls, platform::imageByteCap);
    acquisition::ImageHistory history;
    for (int i = 0; i < 10; ++i) {
        const platform::DownloadResult r = batch->takeNext(imageFile);
        QVERIFY2(r.ok, qPrintable(r.message));
        if (i > 0)
            history.create(i);
        history.setPictureFromFile(i, imageFile);
        history.setTag(i, names[i]);
        QVERIFY(!history.picture(i).isNull());
    }
    QCOMPARE(history.UBound(), 9);
}

QTEST_GUILESS_MAIN(AcquisitionServerTest)
#include "tst_acquisitionserver.moc"
