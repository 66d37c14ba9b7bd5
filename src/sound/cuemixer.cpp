#include "cuemixer.h"

#include <algorithm>
#include <cstring>

namespace zentrel {

CueMixer::CueMixer(PcmFormat format, QObject *parent)
    : QIODevice(parent)
    , m_format(format)
{
    // Unbuffered: a read-ahead would hold stale silence before a cue and sound after a stop.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void CueMixer::play(int voice, std::shared_ptr<const PcmClip> clip)
{
    if (voice < 0 || voice >= VoiceCount || (clip && !(clip->format == m_format)))
        return;
    {
        std::lock_guard lock(m_mutex);
        m_voices[std::size_t(voice)] = { std::move(clip), 0 };
    }
    Q_EMIT voiceStarted();
}

void CueMixer::stop(int voice)
{
    if (voice < 0 || voice >= VoiceCount)
        return;
    std::lock_guard lock(m_mutex);
    m_voices[std::size_t(voice)] = {};
}

bool CueMixer::isPlaying(int voice) const
{
    if (voice < 0 || voice >= VoiceCount)
        return false;
    std::lock_guard lock(m_mutex);
    const Voice &v = m_voices[std::size_t(voice)];
    return v.clip && v.position < v.clip->samples.size();
}

bool CueMixer::isAnyPlaying() const
{
    for (int voice = 0; voice < VoiceCount; ++voice) {
        if (isPlaying(voice))
            return true;
    }
    return false;
}

qint64 CueMixer::bytesAvailable() const
{
    // An endless stream: there is always more (silence) to read.
    return (qint64(1) << 30) + QIODevice::bytesAvailable();
}

qint64 CueMixer::readData(char *data, qint64 maxSize)
{
    const std::size_t frameBytes = sizeof(std::int16_t) * std::size_t(m_format.channels);
    const std::size_t count = std::size_t(maxSize) / frameBytes * std::size_t(m_format.channels);
    auto *out = reinterpret_cast<std::int16_t *>(data);
    std::memset(data, 0, count * sizeof(std::int16_t));

    std::lock_guard lock(m_mutex);
    for (Voice &v : m_voices) {
        if (!v.clip)
            continue;
        const std::size_t n = std::min(
            count, v.clip->samples.size() - std::min(v.position, v.clip->samples.size()));
        const std::int16_t *in = v.clip->samples.data() + v.position;
        for (std::size_t i = 0; i < n; ++i)
            out[i] = std::int16_t(std::clamp(int(out[i]) + int(in[i]), -32768, 32767));
        v.position += n;
        if (v.position >= v.clip->samples.size())
            v.clip.reset(); // ran to its end: the player stays open and stopped
    }
    return qint64(count * sizeof(std::int16_t));
}

} // namespace zentrel
