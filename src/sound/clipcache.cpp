#include "clipcache.h"

#include <QFile>
#include <QFileInfo>

namespace zentrel {
namespace {
// A cue file bigger than this is no cue; leave it unread.
constexpr qint64 MaxCueFileBytes = 64 * 1024 * 1024;
} // namespace

std::shared_ptr<const PcmClip> ClipCache::clip(const QString &path, PcmFormat format)
{
    const QFileInfo info(path);
    const qint64 size = info.size();
    const QDateTime modified = info.lastModified();
    Entry &entry = m_entries[path];
    if (entry.clip && entry.size == size && entry.modified == modified
        && entry.clip->format == format)
        return entry.clip;

    entry = {};
    QFile file(path);
    if (size > MaxCueFileBytes || !file.open(QIODevice::ReadOnly))
        return nullptr;
    if (auto decoded = decodeWav(file.readAll(), format)) {
        entry = { size, modified, std::make_shared<const PcmClip>(std::move(*decoded)) };
        return entry.clip;
    }
    return nullptr;
}

} // namespace zentrel
