// What a long image history costs the process: resident memory and heap with an empty history,
// ten images and 503 images, with the loop's frames decoded as playing them would.
#include "BenchSupport.h"
#include "ServerImages.h"

#include "acquisition/ImageHistory.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

using namespace pluvix;

namespace {

struct Sample {
    QString state;
    int images = 0;
    qint64 imageBytes = 0;
    qint64 heldBytes = 0; // the buffers holding them, unused capacity included
    qint64 decodedBytes = 0;
    qint64 rss = 0;
    qint64 heap = 0;
    int decodedFrames = 0;
};

Sample sample(const QString& state, const acquisition::ImageHistory& history, int images,
              qint64 frameBytes) {
    Sample s;
    s.state = state;
    s.images = images;
    for (int i = 0; images && i <= history.UBound(); ++i) {
        const QByteArray encoded = history.encoded(i);
        s.imageBytes += encoded.size();
        s.heldBytes += encoded.capacity();
    }
    s.decodedFrames = history.decodedFramesHeld();
    s.decodedBytes = qint64(s.decodedFrames) * frameBytes;
    s.rss = bench::currentRssBytes();
    s.heap = bench::currentHeapBytes();
    return s;
}

// As the window does it: each image lands in the one temporary file and is read from there.
void append(acquisition::ImageHistory& history, int i, const bench::ServedImage& image,
            const QString& tempFile) {
    QFile file(tempFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(image.gif) != image.gif.size())
        bench::fail(QStringLiteral("cannot write %1: %2").arg(tempFile, file.errorString()));
    file.close();
    if (i > 0)
        history.create(i);
    history.setPicture(i, acquisition::readPictureFile(tempFile));
    history.setTag(i, image.name);
}

// The loop steps from the newest frame back over `frames` elements; two rounds, as a playing
// loop comes round again.
void playLoop(const acquisition::ImageHistory& history, int frames) {
    const int last = history.UBound();
    const int first = std::max(0, last - frames + 1);
    for (int round = 0; round < 2; ++round) {
        for (int i = first; i <= last; ++i) {
            const QImage picture = history.picture(i);
            if (picture.isNull())
                bench::fail(QStringLiteral("history element %1 gives no picture").arg(i));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    bench::prepareEnvironment();
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (bench::hasFlag(args, QStringLiteral("--help"))) {
        std::printf("usage: bench_memory [--images N] [--distinct N] [--loop-frames N]\n");
        return 0;
    }
    const int total = bench::intOption(args, QStringLiteral("--images"), 503);
    const int distinct = bench::intOption(args, QStringLiteral("--distinct"), 20);
    // The loop's default span: the newest picture and the 20 before it.
    const int loopFrames = bench::intOption(args, QStringLiteral("--loop-frames"), 21);
    if (total < 10)
        bench::fail(QStringLiteral("--images must be at least 10"));
    const bench::Watchdog watchdog(QStringLiteral("bench_memory"), std::chrono::seconds(180));

    const QList<bench::ServedImage> served = bench::fetchRadarGifs(distinct);
    QTemporaryDir dir;
    if (!dir.isValid())
        bench::fail(QStringLiteral("no temporary folder: ") + dir.errorString());
    const QString tempFile = dir.filePath(QStringLiteral("tempIMG.gif"));

    // Image decoding loads its plug-in once; that belongs to the program, not to the history.
    const QImage first = acquisition::decodePicture(served.first().gif);
    const qint64 frameBytes = first.sizeInBytes();
    qint64 servedBytes = 0;
    for (const auto& image : served)
        servedBytes += image.gif.size();

    QList<Sample> samples;
    qint64 bytesWritten = 0;
    {
        acquisition::ImageHistory history;
        samples << sample(QStringLiteral("empty history"), history, 0, frameBytes);
        for (int i = 0; i < total; ++i) {
            append(history, i, served[i % served.size()], tempFile);
            bytesWritten += served[i % served.size()].gif.size();
            if (i == 9) {
                playLoop(history, loopFrames);
                samples << sample(QStringLiteral("10 images"), history, 10, frameBytes);
            }
        }
        playLoop(history, loopFrames);
        samples << sample(QStringLiteral("%1 images").arg(total), history, total, frameBytes);
        if (samples.last().imageBytes != bytesWritten)
            bench::fail(QStringLiteral("the history holds %1 bytes of pictures, %2 were loaded")
                            .arg(samples.last().imageBytes)
                            .arg(bytesWritten));
    }

    std::printf("bench_memory: %d distinct server GIFs of %dx%d (%.1f KiB on average), loop "
                "over %d frames, %s per decoded frame\n",
                int(served.size()), first.width(), first.height(),
                double(servedBytes) / double(served.size()) / 1024.0, loopFrames,
                qPrintable(bench::formatMiB(double(frameBytes))));
    std::printf("%-14s %10s %10s %16s %10s %10s %10s %10s\n", "state", "files", "held as",
                "decoded", "RSS", "RSS rise", "heap rise", "allowed");
    const Sample& empty = samples.first();
    const auto mib = [](qint64 bytes) { return bench::formatMiB(double(bytes)); };
    bool allPass = true;
    for (const Sample& s : samples) {
        const double allowed = 1.5 * double(s.imageBytes) + 20.0 * 1024 * 1024;
        const qint64 rise = s.rss - empty.rss;
        const QString decoded =
            QStringLiteral("%1 x = %2").arg(s.decodedFrames).arg(mib(s.decodedBytes));
        std::printf("%-14s %10s %10s %16s %10s %10s %10s %10s\n", qPrintable(s.state),
                    qPrintable(mib(s.imageBytes)), qPrintable(mib(s.heldBytes)),
                    qPrintable(decoded), qPrintable(mib(s.rss)), qPrintable(mib(rise)),
                    qPrintable(mib(s.heap - empty.heap)),
                    qPrintable(s.images ? bench::formatMiB(allowed) : QString()));
        if (s.images == 0)
            continue;
        const bool pass = double(rise) < allowed;
        allPass = allPass && pass;
        bench::reportResult(QStringLiteral("memory rise, %1").arg(s.state),
                            QStringLiteral("%1 (files %2)").arg(mib(rise), mib(s.imageBytes)),
                            QStringLiteral("< 1.5 x files + 20 MiB = ") + bench::formatMiB(allowed),
                            pass);
    }
    return allPass ? 0 : 1;
}
