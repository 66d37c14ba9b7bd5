#include "cueplayer.h"

CuePlayer::CuePlayer(CueBackend &backend)
    : m_backend(backend)
{ }

void CuePlayer::command(CueCommand command)
{
    switch (command) {
    case CueCommand::Open:
        if (m_open)
            m_backend.unload();
        // Only waveform audio is ours to play; a cue that cannot be loaded leaves the
        // player closed, and the later "Play" sounds nothing.
        m_open = m_deviceType == QLatin1String(WaveAudioDevice) && !m_fileName.isEmpty()
            && m_backend.load(m_fileName);
        break;
    case CueCommand::Play:
        if (m_open)
            m_backend.play();
        break;
    case CueCommand::Stop:
        if (m_open)
            m_backend.stop();
        break;
    case CueCommand::Close:
        if (m_open)
            m_backend.unload();
        m_open = false;
        break;
    }
}

CuePlayerState CuePlayer::state() const
{
    if (!m_open)
        return CuePlayerState::Closed;
    return m_backend.isPlaying() ? CuePlayerState::OpenPlaying : CuePlayerState::OpenStopped;
}
