#include "mixerbackend.h"

#include "cuefiles.h"

#include <QFile>
#include <QFileInfo>

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

MixerCueBackend::MixerCueBackend(CueMixer &mixer, int voice, ClipCache &cache)
    : m_mixer(mixer)
    , m_voice(voice)
    , m_cache(cache)
{ }

bool MixerCueBackend::load(const QString &fileName)
{
    const QString path = resolveCueFile(fileName);
    m_clip = path.isEmpty() ? nullptr : m_cache.clip(path, m_mixer.pcmFormat());
    return m_clip != nullptr;
}

void MixerCueBackend::play()
{
    m_mixer.play(m_voice, m_clip);
}

void MixerCueBackend::stop()
{
    m_mixer.stop(m_voice);
}

void MixerCueBackend::unload()
{
    m_mixer.stop(m_voice);
    m_clip.reset();
}

bool MixerCueBackend::isPlaying() const
{
    return m_mixer.isPlaying(m_voice);
}
