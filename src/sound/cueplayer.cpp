#include "cueplayer.h"

namespace zentrel {

CuePlayer::CuePlayer(const QStringList &cueFiles, PcmFormat format, QObject *parent)
    : QObject(parent)
    , m_format(format)
    , m_clips(format, cueFiles)
{ }

void CuePlayer::play(CueVoice voice, const QString &fileName)
{
    play(voice, m_clips.clip(fileName));
}

void CuePlayer::play(CueVoice voice, std::shared_ptr<const PcmClip> clip)
{
    if (clip && !(clip->format == m_format))
        clip.reset();
    const bool sounds = clip != nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_voices = {};
        m_voices[std::size_t(voice)] = { std::move(clip), 0 };
    }
    if (sounds)
        Q_EMIT cueStarted();
}

void CuePlayer::follow(const ClockChange &change)
{
    if (change.silence == CueSilence::Now)
        silence();
    if (change.cue != Cue::None)
        play(change.cue == Cue::Warning ? CueVoice::Warning : CueVoice::Announcement,
             QString::fromLatin1(cueFile(change.cue, change.state.Phase)));
    if (change.notice == CueNotice::Soon)
        keepWarm();
}

void CuePlayer::silence()
{
    std::lock_guard lock(m_mutex);
    m_voices = {};
}

bool CuePlayer::render(std::span<std::int16_t> out)
{
    std::lock_guard lock(m_mutex);
    renderBlock(m_voices, out);
    return zentrel::isSounding(m_voices);
}

bool CuePlayer::isSounding() const
{
    std::lock_guard lock(m_mutex);
    return zentrel::isSounding(m_voices);
}

} // namespace zentrel
