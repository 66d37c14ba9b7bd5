#include "cueclips.h"

#include "cuefiles.h"

#include <QFile>
#include <QFileInfo>

namespace zentrel {

namespace {
// A cue file bigger than this is no cue; leave it unread.
constexpr qint64 MaxCueFileBytes = 64 * 1024 * 1024;
constexpr int SettleMs = 300;

std::shared_ptr<const PcmClip> decodeFile(const QString &path, PcmFormat format)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxCueFileBytes)
        return nullptr;
    const QByteArray bytes = file.read(MaxCueFileBytes + 1); // it may have grown since
    if (bytes.size() > MaxCueFileBytes)
        return nullptr;
    auto clip = decodeWav(bytes, format);
    return clip ? std::make_shared<const PcmClip>(std::move(*clip)) : nullptr;
}
} // namespace

CueClips::CueClips(PcmFormat format, const QStringList &names, QObject *parent)
    : QObject(parent)
    , m_format(format)
{
    m_worker.setMaxThreadCount(1);
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CueClips::refreshAll);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle,
            qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    watch(QDir::currentPath());
    for (const QString &name : names)
        refresh(name);
}

std::shared_ptr<const PcmClip> CueClips::clip(const QString &name)
{
    // The file is looked at after the tick that plays it, not inside it.
    QMetaObject::invokeMethod(
        this, [this, name] { refresh(name); }, Qt::QueuedConnection);
    const auto entry = m_entries.constFind(name);
    return entry == m_entries.cend() ? nullptr : entry->clip;
}

void CueClips::refresh(const QString &name)
{
    Entry &entry = m_entries[name];
    const QString path = resolveCueFile(name);
    if (path.isEmpty()) {
        entry = {};
        return;
    }
    const QFileInfo info(path);
    const Stamp stamp { path, info.size(), info.lastModified() };
    if (stamp == entry.decoded || stamp == entry.pending)
        return;
    entry.pending = stamp;
    watch(path);
    m_worker.start([this, name, stamp, format = m_format] {
        auto clip = decodeFile(stamp.path, format);
        QMetaObject::invokeMethod(
            this, [this, name, stamp, clip] { finish(name, stamp, clip); }, Qt::QueuedConnection);
    });
}

void CueClips::refreshAll()
{
    const QStringList names = m_entries.keys();
    for (const QString &name : names)
        refresh(name);
}

void CueClips::finish(const QString &name, const Stamp &stamp, std::shared_ptr<const PcmClip> clip)
{
    const auto entry = m_entries.find(name);
    // A decode overtaken by a newer version of the file, or by its removal, is dropped.
    if (entry == m_entries.end() || !(entry->pending == stamp))
        return;
    entry->decoded = stamp;
    entry->pending = {};
    entry->clip = std::move(clip);
}

void CueClips::watch(const QString &path)
{
    // Built-in cues never change; a file replaced by renaming drops out of the watch.
    if (!path.startsWith(u':') && !m_watcher.files().contains(path)
        && !m_watcher.directories().contains(path))
        m_watcher.addPath(path);
}

} // namespace zentrel
