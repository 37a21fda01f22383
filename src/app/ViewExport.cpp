#include "app/ViewExport.h"

#include "acquisition/ImageHistory.h"
#include "app/BusyPointer.h"
#include "app/Viewer.h"
#include "core/RuntimeError.h"
#include "desktop/MapFiles.h"
#include "desktop/MapSaver.h"
#include "diagnostics/ErrorReporter.h"
#include "platform/FileDialogs.h"
#include "view/LoopPlayer.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QStandardPaths>

#include <utility>

namespace pluvix::app {

using core::RuntimeError;
using diagnostics::trap;
namespace procedure = diagnostics::procedure;

namespace {

// The error with what it concerns (a file, the pictures left out) added to its description.
RuntimeError concerning(const RuntimeError& error, const QString& what) {
    if (what.isEmpty())
        return error;
    return RuntimeError(error.number(), error.description() + QStringLiteral(": ") + what);
}

QString proposedLoopFileName(const QString& caption, const QString& newestTag) {
    return desktop::proposedMapFileName(desktop::captionTail(caption),
                                        QStringLiteral("loop to ") +
                                            QFileInfo(newestTag).completeBaseName()) +
           QStringLiteral(".gif");
}

} // namespace

LoopFrames loopFrames(const acquisition::ImageHistory& history, const QList<qint32>& positions,
                      qint16 playSpeed, qint16 loopDelay, const ViewComposer& compose) {
    LoopFrames loop;
    for (const qint32 position : positions) {
        const int i = position - 1;
        if (!history.exists(i))
            continue;
        QImage picture;
        diagnostics::ignoreErrors([&] { picture = history.picture(i); });
        if (picture.isNull()) {
            if (history.undecodable(i))
                loop.undecodable.append(history.tag(i));
            continue;
        }
        // Held as the encoder takes it: a long loop of large frames in a quarter of the memory.
        loop.frames.append({compose(picture).convertToFormat(QImage::Format_Indexed8), 0});
    }
    const QList<int> delays =
        desktop::loopFrameDelays(int(loop.frames.size()), playSpeed, loopDelay);
    for (qsizetype k = 0; k < loop.frames.size(); ++k)
        loop.frames[k].delayMs = delays[k];
    return loop;
}

ViewExport::ViewExport(Viewer& viewer, ViewComposer compose, QObject* parent)
    : QObject(parent), m_viewer(viewer), m_compose(std::move(compose)),
      m_startFolder(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)) {}

void ViewExport::saveLoop() {
    trap(m_viewer.errors(), procedure::saveLoop, [&] {
        const acquisition::ImageHistory& history = m_viewer.feed().history();
        platform::SaveDialogRequest request;
        request.title = QStringLiteral("Save Loop As");
        request.directory = m_startFolder;
        request.proposedName =
            proposedLoopFileName(m_viewer.stationTitle(), history.tag(history.UBound()));
        request.filter = desktop::MapSaver::dialogFilter();
        const std::optional<QString> chosen = m_viewer.services().fileDialogs.saveFileName(request);
        if (!chosen)
            return;
        m_startFolder = desktop::folderOfChosenName(*chosen);

        setBusyPointer(true);
        emit panelFrozen(true);
        const auto thaw = qScopeGuard([this] {
            emit panelFrozen(false);
            setBusyPointer(false);
        });
        // The loop as it stands once the dialog has closed: a poll may have come meanwhile.
        const view::Playback& playback = m_viewer.playback();
        const settings::SettingsRecord& settings = m_viewer.settings();
        const LoopFrames loop =
            loopFrames(history,
                       view::loopRoundPositions(playback.minimum(), playback.maximum(),
                                                settings.HistoryImageCount),
                       settings.PlaySpeed, settings.LoopDelay, m_compose);
        if (loop.frames.isEmpty())
            throw concerning(RuntimeError::invalidPicture(), loop.undecodable.join(u", "));
        try {
            desktop::saveAnimatedGif(*chosen, loop.frames, desktop::GifPalette::PerFrame);
        } catch (const RuntimeError& error) {
            throw concerning(error, *chosen);
        }
        if (!loop.undecodable.isEmpty())
            throw concerning(RuntimeError::invalidPicture(), loop.undecodable.join(u", "));
    });
}

void ViewExport::copyView() {
    trap(m_viewer.errors(), procedure::copyView, [&] {
        const QImage view = m_compose(m_viewer.shownPicture());
        if (view.isNull())
            throw RuntimeError::invalidCall();
        QGuiApplication::clipboard()->setImage(view);
    });
}

} // namespace pluvix::app
