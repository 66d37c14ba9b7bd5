#include "cueplayers.h"

namespace zentrel {
namespace {
void silence(CueDevice &player)
{
    player.stop();
    player.close();
}

// Closing and opening again before each play makes every cue start from its beginning.
void playFromStart(CueDevice &player)
{
    silence(player);
    player.open();
    player.play();
}
} // namespace

CuePlayers::CuePlayers(CueDevice &phasePlayer, CueDevice &warningPlayer,
                       std::function<void()> prepare)
    : m_phasePlayer(phasePlayer)
    , m_warningPlayer(warningPlayer)
    , m_prepare(std::move(prepare))
{ }

void CuePlayers::initCuePlayers()
{
    silence(m_phasePlayer);
    silence(m_warningPlayer);
    m_warningPlayer.setFileName(QString::fromLatin1(WarningCueFile));
}

void CuePlayers::silenceCuePlayers()
{
    silence(m_phasePlayer);
    silence(m_warningPlayer);
}

void CuePlayers::setPhaseCueFile(const QString &fileName)
{
    m_phasePlayer.setFileName(fileName);
}

// Exactly one cue sounds: the other player is cut off first.
void CuePlayers::playWarningCue()
{
    silence(m_phasePlayer);
    playFromStart(m_warningPlayer);
}

void CuePlayers::playPhaseCue()
{
    silence(m_warningPlayer);
    playFromStart(m_phasePlayer);
}

void CuePlayers::prepareForCue()
{
    if (m_prepare)
        m_prepare();
}

} // namespace zentrel
