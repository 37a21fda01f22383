#include "settings/FileSettingsStore.h"

#include "core/RuntimeError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStringList>
#include <QThread>

#include <sys/stat.h>

namespace pluvix::settings {

namespace {

const QLatin1String fileSuffix(".conf");

// QSettings treats "/" and "\" in names as group separators; escape them (and the escape
// character) so any section or key name stays one level.
QString escapedName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c == u'%')
            out += QLatin1String("%25");
        else if (c == u'/')
            out += QLatin1String("%2F");
        else if (c == u'\\')
            out += QLatin1String("%5C");
        else
            out += c;
    }
    return out;
}

// The escaping maps characters one to one, so comparing escaped names ignoring case is the
// same as comparing the names ignoring case.
QString findIgnoringCase(const QStringList& names, const QString& wanted) {
    for (const QString& n : names) {
        if (n.compare(wanted, Qt::CaseInsensitive) == 0)
            return n;
    }
    return {};
}

void checkAppName(const QString& appName) {
    if (appName.isEmpty() || appName.contains(u'/') || appName.contains(QChar(0)) ||
        appName == QLatin1String(".") || appName == QLatin1String(".."))
        throw core::RuntimeError::invalidCall();
}

// Which file a path names right now. QSettings replaces the file by renaming a new one over
// it, so a changed identity is the sign that a write reached the disk.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, st.st_dev, st.st_ino};
}

// QSettings keeps parsed files, with their unsaved changes, in a cache shared by the whole
// process, and its status stays at the first problem it met. So conditions are checked here
// before anything is changed, and success is judged by the file on disk.
void requireReadable(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || !info.isReadable()))
        throw core::RuntimeError::pathFileAccess();
}

void requireWritable(const QString& folder, const QString& path) {
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable())
        throw core::RuntimeError::pathFileAccess();
    requireReadable(path);
    const QFileInfo info(path);
    if (info.exists() && !info.isWritable())
        throw core::RuntimeError::pathFileAccess();
}

void requireNoError(const QSettings& s) {
    // A format error still leaves every readable entry; only access errors lose data.
    if (s.status() == QSettings::AccessError)
        throw core::RuntimeError::pathFileAccess();
}

// QSettings waits for its lock file without a limit; another process holding it must not hang
// the program (the shut-down above all). The probe is given up at once so QSettings can take it.
constexpr int lockWaitMs = 3000;

void waitForLockOrThrow(const QString& path) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QLockFile probe(path + QStringLiteral(".lock"));
        if (probe.tryLock(0)) {
            probe.unlock();
            return;
        }
        if (waited.elapsed() > lockWaitMs)
            throw core::RuntimeError::pathFileAccess();
        QThread::msleep(50);
    }
}

void syncOrThrow(QSettings& s, const QString& path) {
    const FileIdentity before = identityOf(path);
    s.sync();
    const FileIdentity after = identityOf(path);
    if (s.status() == QSettings::AccessError || !after.exists || after == before)
        throw core::RuntimeError::pathFileAccess();
}

// Lines ending in a backslash continue on the next one and count as one.
qsizetype longestLine(const QByteArray& bytes) {
    qsizetype longest = 0;
    qsizetype current = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') {
            ++current;
            continue;
        }
        const bool continued = (i > 0 && bytes[i - 1] == '\\') ||
                               (i > 1 && bytes[i - 1] == '\r' && bytes[i - 2] == '\\');
        longest = qMax(longest, current);
        if (!continued)
            current = 0;
    }
    return qMax(longest, current);
}

core::RuntimeError refusedFile(const QString& path, const QString& reason) {
    return {core::RuntimeError::pathFileAccess().number(),
            QStringLiteral("Path/File access error: the settings file ") + path + u' ' + reason +
                QStringLiteral("; Pluvix neither reads nor writes it and runs on default "
                               "settings")};
}

QString valueText(const QVariant& v) {
    // A hand-edited "a,b" without quotes reads as a list; give it back as written.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    return v.toString();
}

} // namespace

FileSettingsStore::FileSettingsStore() : FileSettingsStore(defaultConfigHome()) {}

FileSettingsStore::~FileSettingsStore() = default;

FileSettingsStore::FileSettingsStore(const QString& configHome)
    : m_folder(QDir::cleanPath(configHome + QStringLiteral("/pluvix"))) {}

QString FileSettingsStore::defaultConfigHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // Relative values are invalid by the XDG rules and are ignored.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString FileSettingsStore::filePath(const QString& appName) const {
    checkAppName(appName);
    const QDir dir(m_folder);
    const QStringList files =
        dir.entryList(QStringList{u'*' + fileSuffix}, QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& f : files) {
        if (f.chopped(fileSuffix.size()).compare(appName, Qt::CaseInsensitive) == 0)
            return dir.filePath(f);
    }
    return dir.filePath(appName + fileSuffix);
}

FileSettingsStore::FileStamp FileSettingsStore::stampOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {true, quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FileSettingsStore::FileView FileSettingsStore::readView(const QString& path, const FileStamp& stamp,
                                                        bool parse) {
    FileView view;
    view.stamp = stamp;
    const QString tooLarge = QStringLiteral("is larger than %1 KiB").arg(maxFileBytes / 1024);
    if (stamp.size > maxFileBytes) {
        view.refusal = tooLarge;
        return view;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return view;
    // The size may have grown since it was looked at.
    const QByteArray bytes = file.read(maxFileBytes + 1);
    if (bytes.size() > maxFileBytes) {
        view.refusal = tooLarge;
        return view;
    }
    if (longestLine(bytes) > maxLineBytes) {
        view.refusal = QStringLiteral("holds a line longer than %1 KiB").arg(maxLineBytes / 1024);
        return view;
    }
    view.parsed = parse;
    if (!parse)
        return view;
    // Its status is not looked at: a change left unsaved by an earlier failed write makes it
    // report the failed flush, while the entries read are still good.
    const QSettings s(path, QSettings::IniFormat);
    for (const QString& name : s.allKeys()) {
        // Only "section/key": names are escaped, so a further "/" is a nested group.
        const QStringList parts = name.split(u'/');
        if (parts.size() != 2)
            continue;
        auto& keys = view.sections[parts[0].toCaseFolded()];
        const QString key = parts[1].toCaseFolded();
        if (!keys.contains(key))
            keys.insert(key, valueText(s.value(name)));
    }
    return view;
}

const FileSettingsStore::FileView& FileSettingsStore::viewOf(const QString& path, Use use) const {
    const FileStamp now = stampOf(path);
    FileView& view = m_views[path];
    if (!(view.stamp == now) || (use == Use::Read && !view.parsed && view.refusal.isEmpty()))
        view = readView(path, now, use == Use::Read);
    if (!view.refusal.isEmpty() && (use == Use::Write || !view.refusalReported)) {
        view.refusalReported = true;
        throw refusedFile(path, view.refusal);
    }
    return view;
}

QSettings* FileSettingsStore::pendingFor(const QString& path) const {
    for (const Pending& p : m_pending)
        if (p.path == path)
            return p.settings.get();
    return nullptr;
}

QStringList FileSettingsStore::groupsOf(const QSettings& s, const QString& path) const {
    for (const Pending& p : m_pending)
        if (p.path == path)
            return p.groups;
    return s.childGroups();
}

FileSettingsStore::Pending* FileSettingsStore::pendingEntry(const QString& path) {
    for (Pending& p : m_pending)
        if (p.path == path)
            return &p;
    return nullptr;
}

QStringList FileSettingsStore::keysOf(QSettings& s, const QString& path) {
    Pending* p = pendingEntry(path);
    if (!p)
        return s.childKeys();
    auto it = p->keys.find(s.group());
    if (it == p->keys.end())
        it = p->keys.insert(s.group(), s.childKeys());
    return *it;
}

QSettings& FileSettingsStore::openForChange(const QString& path, std::unique_ptr<QSettings>& own) {
    if (QSettings* pending = pendingFor(path))
        return *pending;
    requireWritable(m_folder, path);
    (void)viewOf(path, Use::Write);
    // Before any change: a QSettings with unsaved changes waits for the lock when it goes away.
    waitForLockOrThrow(path);
    own = std::make_unique<QSettings>(path, QSettings::IniFormat);
    requireNoError(*own);
    if (m_batchDepth == 0)
        return *own;
    QStringList groups = own->childGroups();
    m_pending.push_back({path, std::move(own), std::move(groups), {}});
    return *m_pending.back().settings;
}

void FileSettingsStore::finishChange(QSettings& s, const QString& path) {
    if (m_batchDepth == 0)
        syncOrThrow(s, path);
}

void FileSettingsStore::beginBatch() {
    ++m_batchDepth;
}

void FileSettingsStore::endBatch() {
    if (m_batchDepth == 0 || --m_batchDepth > 0)
        return;
    std::vector<Pending> pending;
    pending.swap(m_pending);
    bool failed = false;
    for (Pending& p : pending) {
        try {
            waitForLockOrThrow(p.path);
            syncOrThrow(*p.settings, p.path);
        } catch (const core::RuntimeError&) {
            failed = true;
            // Its destructor would wait for the lock without a limit; the changes are lost anyway.
            if (QFileInfo::exists(p.path + QStringLiteral(".lock")))
                (void)p.settings.release();
        }
    }
    if (failed)
        throw core::RuntimeError::pathFileAccess();
}

QString FileSettingsStore::GetSetting(const QString& appName, const QString& section,
                                      const QString& key, const QString& defaultValue) const {
    const QString path = filePath(appName);
    if (section.isEmpty() || key.isEmpty())
        return defaultValue;
    // Inside a batch the changes not yet on disk count.
    if (QSettings* s = pendingFor(path)) {
        const QString group = findIgnoringCase(groupsOf(*s, path), escapedName(section));
        if (group.isEmpty())
            return defaultValue;
        s->beginGroup(group);
        const QString storedKey = findIgnoringCase(s->childKeys(), escapedName(key));
        const QString text = storedKey.isEmpty() ? defaultValue : valueText(s->value(storedKey));
        s->endGroup();
        return text;
    }
    if (!QFileInfo::exists(path))
        return defaultValue;
    requireReadable(path);
    const FileView& view = viewOf(path, Use::Read);
    const auto keys = view.sections.constFind(escapedName(section).toCaseFolded());
    if (keys == view.sections.cend())
        return defaultValue;
    return keys->value(escapedName(key).toCaseFolded(), defaultValue);
}

void FileSettingsStore::SaveSetting(const QString& appName, const QString& section,
                                    const QString& key, const QString& value) {
    if (section.isEmpty() || key.isEmpty())
        throw core::RuntimeError::invalidCall();
    const QString path = filePath(appName);
    std::unique_ptr<QSettings> own;
    QSettings& s = openForChange(path, own);
    Pending* pending = pendingEntry(path);
    QString group = findIgnoringCase(groupsOf(s, path), escapedName(section));
    if (group.isEmpty()) {
        group = escapedName(section);
        if (pending)
            pending->groups.append(group);
    }
    s.beginGroup(group);
    QString storedKey = findIgnoringCase(keysOf(s, path), escapedName(key));
    if (storedKey.isEmpty()) {
        storedKey = escapedName(key);
        if (pending)
            pending->keys[group].append(storedKey);
    }
    s.setValue(storedKey, value);
    s.endGroup();
    finishChange(s, path);
}

void FileSettingsStore::DeleteSetting(const QString& appName, const QString& section) {
    const QString path = filePath(appName);
    if (section.isEmpty() || (!QFileInfo::exists(path) && !pendingFor(path)))
        return;
    requireReadable(path);
    if (!pendingFor(path))
        (void)viewOf(path, Use::Write);
    std::unique_ptr<QSettings> reader;
    const QSettings* current = pendingFor(path);
    if (!current) {
        reader = std::make_unique<QSettings>(path, QSettings::IniFormat);
        current = reader.get();
    }
    const QString wanted = escapedName(section);
    // A hand-edited file may hold the section in more than one spelling.
    QStringList matching;
    for (const QString& group : groupsOf(*current, path)) {
        if (group.compare(wanted, Qt::CaseInsensitive) == 0)
            matching.append(group);
    }
    if (matching.isEmpty())
        return;
    std::unique_ptr<QSettings> own;
    QSettings& s = openForChange(path, own);
    Pending* pending = pendingEntry(path);
    for (const QString& group : matching) {
        s.remove(group);
        if (pending) {
            pending->groups.removeAll(group);
            pending->keys.remove(group);
        }
    }
    finishChange(s, path);
}

} // namespace pluvix::settings
