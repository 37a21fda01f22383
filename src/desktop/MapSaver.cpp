#include "desktop/MapSaver.h"

#include "desktop/MapFiles.h"
#include "platform/FileDialogs.h"
#include "platform/MessageBoxes.h"

#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSet>
#include <QStandardPaths>

#include <utility>

namespace pluvix::desktop {

namespace {

// Only a GUI application has a cursor to change.
class BusyCursor {
public:
    BusyCursor() : m_active(qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (m_active)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor() {
        if (m_active)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool m_active;
};

// Frozen while it lives: an error on the way must not leave the panel dead.
class PanelFreeze {
public:
    explicit PanelFreeze(std::function<void(bool)> freeze) : m_freeze(std::move(freeze)) {
        if (m_freeze)
            m_freeze(true);
    }
    ~PanelFreeze() { release(); }
    PanelFreeze(const PanelFreeze&) = delete;
    PanelFreeze& operator=(const PanelFreeze&) = delete;
    void release() {
        if (const auto freeze = std::exchange(m_freeze, {}))
            freeze(false);
    }

private:
    std::function<void(bool)> m_freeze;
};

// Two tags may clean up to the same file name; the later picture gets " (2)", " (3)", ...
// before its extension instead of replacing the first.
QString unusedPath(const QString& path, const QSet<QString>& used) {
    if (!used.contains(path))
        return path;
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype split = dot > 0 ? path.size() - name.size() + dot : path.size();
    for (int k = 2;; ++k) {
        QString candidate = path.left(split) + QStringLiteral(" (%1)").arg(k) + path.mid(split);
        if (!used.contains(candidate))
            return candidate;
    }
}

} // namespace

MapSaver::MapSaver(platform::FileDialogs& dialogs, platform::MessageBoxes& boxes, QString appTitle)
    : m_dialogs(dialogs), m_boxes(boxes), m_appTitle(std::move(appTitle)),
      m_startFolder(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)) {}

QString MapSaver::dialogFilter() {
    // One entry described as GIF files that lists every file.
    return QStringLiteral("GIF Files (*.gif) (*)");
}

MapSaveOutcome MapSaver::saveMap(const QString& caption, const MapPicture& current) {
    MapSaveOutcome outcome;
    platform::SaveDialogRequest request;
    request.title = QStringLiteral("Save Map To File");
    request.directory = m_startFolder;
    request.proposedName = proposedMapFileName(captionTail(caption), current.tag);
    request.filter = dialogFilter();
    const std::optional<QString> chosen = m_dialogs.saveFileName(request);
    if (!chosen) {
        outcome.cancelled = true;
        return outcome;
    }
    m_startFolder = folderOfChosenName(*chosen);

    QString error;
    if (writeMapFile(*chosen, current.encoded, current.image, &error)) {
        outcome.written.append(*chosen);
    } else {
        outcome.failed.append(*chosen);
        reportFailures(outcome.failed, error);
    }
    return outcome;
}

MapSaveOutcome MapSaver::saveSeries(const QString& caption, const QString& currentTag,
                                    int firstElement, const QList<MapPicture>& pictures,
                                    const SeriesHooks& hooks) {
    MapSaveOutcome outcome;
    platform::SaveDialogRequest request;
    request.title = QStringLiteral("Save Series of Maps to File");
    request.directory = m_startFolder;
    request.proposedName = proposedSeriesFileName(currentTag);
    request.filter = dialogFilter();
    // The typed name only picks the folder; asking about overwriting it would mislead.
    request.confirmOverwrite = false;
    const std::optional<QString> chosen = m_dialogs.saveFileName(request);

    if (hooks.resetPollCounter)
        hooks.resetPollCounter();
    BusyCursor busy;
    PanelFreeze frozen(hooks.freezePanel);

    QString lastError;
    if (!chosen) {
        outcome.cancelled = true;
    } else {
        const QString folder = folderOfChosenName(*chosen);
        m_startFolder = folder;
        const QString tail = captionTail(caption);
        QSet<QString> used;
        for (qsizetype k = 0; k < pictures.size(); ++k) {
            const MapPicture& picture = pictures[k];
            // The map shows a blank for a picture that does not decode; the caller tells.
            if (hooks.showElement) {
                try {
                    hooks.showElement(firstElement + static_cast<int>(k));
                } catch (const std::exception&) {
                }
            }
            const QImage image =
                picture.image.isNull() && picture.decode ? picture.decode() : picture.image;
            if (image.isNull()) {
                outcome.undecodable.append(picture.tag);
                continue;
            }
            const QString path = unusedPath(folder + seriesFileName(tail, picture.tag), used);
            used.insert(path);
            QString error;
            if (writeMapFile(path, picture.encoded, image, &error)) {
                outcome.written.append(path);
            } else {
                outcome.failed.append(path);
                lastError = error;
            }
        }
    }

    frozen.release();
    if (!outcome.failed.isEmpty())
        reportFailures(outcome.failed, lastError);
    return outcome;
}

void MapSaver::reportFailures(const QStringList& failed, const QString& reason) {
    QString text = failed.size() == 1
                       ? QStringLiteral("The map could not be saved to\n%1").arg(failed.first())
                       : QStringLiteral("%1 maps could not be saved, among them\n%2")
                             .arg(failed.size())
                             .arg(failed.first());
    if (!reason.isEmpty())
        text += QLatin1String("\n\n") + reason;
    m_boxes.ok(m_appTitle, text);
}

} // namespace pluvix::desktop
