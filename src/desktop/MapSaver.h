#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace pluvix::platform {
class FileDialogs;
class MessageBoxes;
} // namespace pluvix::platform

namespace pluvix::desktop {

// One history picture as the window holds it: the bytes as the server sent them, the decoded
// picture and its image name. A series passes decode instead of the image, so that only one
// decoded picture at a time is held.
struct MapPicture {
    QByteArray encoded;
    QImage image;
    QString tag;
    std::function<QImage()> decode = {};
};

struct MapSaveOutcome {
    bool cancelled = false;
    QStringList written;     // full paths
    QStringList failed;      // full paths
    QStringList undecodable; // tags of series pictures skipped because they do not decode
};

// "Save Map To File" and "Save Series of Maps to File".
class MapSaver {
public:
    // The window's own steps around a series save.
    struct SeriesHooks {
        std::function<void(bool)> freezePanel;  // true before, false after (also after a cancel)
        std::function<void()> resetPollCounter; // once the dialog has closed
        std::function<void(int)> showElement;   // the map shows history element i while saved
    };

    MapSaver(platform::FileDialogs& dialogs, platform::MessageBoxes& boxes, QString appTitle);

    // The shown picture under a name the user picks.
    MapSaveOutcome saveMap(const QString& caption, const MapPicture& current);

    // pictures[k] is history element firstElement + k; currentTag names the shown picture.
    MapSaveOutcome saveSeries(const QString& caption, const QString& currentTag, int firstElement,
                              const QList<MapPicture>& pictures, const SeriesHooks& hooks);

    // Where the next dialog starts: the folder of the last chosen name.
    void setStartFolder(const QString& folder) { m_startFolder = folder; }
    QString startFolder() const { return m_startFolder; }

    static QString dialogFilter();

private:
    void reportFailures(const QStringList& failed, const QString& reason);

    platform::FileDialogs& m_dialogs;
    platform::MessageBoxes& m_boxes;
    QString m_appTitle;
    QString m_startFolder;
};

} // namespace pluvix::desktop
