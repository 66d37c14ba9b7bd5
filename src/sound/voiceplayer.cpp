#include "voiceplayer.h"

#include "cuefiles.h"

namespace zentrel {

VoicePlayer::VoicePlayer(CueMixer &mixer, int voice, ClipCache &cache)
    : m_mixer(mixer)
    , m_voice(voice)
    , m_cache(cache)
{ }

void VoicePlayer::open()
{
    close();
    const QString path = resolveCueFile(m_fileName);
    if (!path.isEmpty())
        m_clip = m_cache.clip(path, m_mixer.pcmFormat());
}

void VoicePlayer::play()
{
    if (m_clip)
        m_mixer.play(m_voice, m_clip);
}

void VoicePlayer::stop()
{
    if (m_clip)
        m_mixer.stop(m_voice);
}

void VoicePlayer::close()
{
    stop();
    m_clip.reset();
}

CuePlayerState VoicePlayer::state() const
{
    if (!m_clip)
        return CuePlayerState::Closed;
    return m_mixer.isPlaying(m_voice) ? CuePlayerState::OpenPlaying : CuePlayerState::OpenStopped;
}

} // namespace zentrel
