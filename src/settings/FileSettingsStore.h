#pragma once

#include "settings/SettingsStore.h"

#include <QHash>

#include <memory>
#include <vector>

class QSettings;

namespace pluvix::settings {

// One INI file per application name, <config home>/pluvix/<appName>.conf, where the config
// home is $XDG_CONFIG_HOME or ~/.config. Every write is on disk, replaced atomically, before
// the call returns; inside a batch the file is replaced once, when the batch ends. A file or
// folder that cannot be read or written throws core::RuntimeError::pathFileAccess().
//
// A file larger than maxFileBytes or with a line longer than maxLineBytes is refused unparsed
// (error 75 naming the file): the first read throws, later reads give their defaults, and
// every write throws, so the file stays as it is until it changes on disk.
class FileSettingsStore final : public SettingsStore {
public:
    // A full store (every station and product with its own view) is about a quarter of this;
    // parsing a file costs about 0.7 s per MiB, and the program cannot end during it.
    static constexpr qint64 maxFileBytes = 1024 * 1024;
    static constexpr qsizetype maxLineBytes = 4096;

    FileSettingsStore();
    ~FileSettingsStore() override;
    // configHome stands in for $XDG_CONFIG_HOME; the files go to configHome + "/pluvix".
    explicit FileSettingsStore(const QString& configHome);

    static QString defaultConfigHome();
    // The folder that holds the files.
    QString folder() const { return m_folder; }
    // The file of an application: an existing one whose name matches ignoring case, else
    // the name as given.
    QString filePath(const QString& appName) const;

    QString GetSetting(const QString& appName, const QString& section, const QString& key,
                       const QString& defaultValue) const override;
    void SaveSetting(const QString& appName, const QString& section, const QString& key,
                     const QString& value) override;
    void DeleteSetting(const QString& appName, const QString& section) override;
    void beginBatch() override;
    void endBatch() override;

private:
    // Which version of a file a view was read from.
    struct FileStamp {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const FileStamp&) const = default;
    };
    // A file's entries, read once per version: QSettings gives its groups and keys only as
    // lists, which made every read cost as much as the whole file.
    struct FileView {
        FileStamp stamp;
        QString refusal; // why the file is refused; empty when it was read
        bool refusalReported = false;
        bool parsed = false;                              // a write only needs the refusal
        QHash<QString, QHash<QString, QString>> sections; // case-folded names
    };
    enum class Use { Read, Write };
    static FileStamp stampOf(const QString& path);
    static FileView readView(const QString& path, const FileStamp& stamp, bool parse);
    const FileView& viewOf(const QString& path, Use use) const;

    struct Pending {
        QString path;
        std::unique_ptr<QSettings> settings; // changes not yet on disk
        // Names kept up to date here: QSettings lists them by going through every key, and a
        // save sequence looks them up for each value.
        QStringList groups;
        QHash<QString, QStringList> keys; // by group, filled when first needed
    };
    QSettings* pendingFor(const QString& path) const;
    Pending* pendingEntry(const QString& path);
    // The groups of a file, from the batch's list when there is one.
    QStringList groupsOf(const QSettings& s, const QString& path) const;
    // The keys of the group `s` is in.
    QStringList keysOf(QSettings& s, const QString& path);
    // The file's settings for a change: the batch's own, or a new one in `own`.
    QSettings& openForChange(const QString& path, std::unique_ptr<QSettings>& own);
    void finishChange(QSettings& s, const QString& path);

    QString m_folder;
    int m_batchDepth = 0;
    std::vector<Pending> m_pending;
    mutable QHash<QString, FileView> m_views;
};

} // namespace pluvix::settings
