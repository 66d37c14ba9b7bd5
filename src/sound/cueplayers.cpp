#include "cueplayers.h"

namespace {
void silence(CueDevice &player)
{
    player.command(CueCommand::Stop);
    player.command(CueCommand::Close);
}

// Closing and opening again before each play makes every cue start from its beginning.
void playFromStart(CueDevice &player)
{
    player.command(CueCommand::Stop);
    player.command(CueCommand::Close);
    player.command(CueCommand::Open);
    player.command(CueCommand::Play);
}

void prepare(CueDevice &player)
{
    silence(player);
    // The two flags are the original control's; ours accept and ignore them.
    player.setFlag(CueFlag::Option24, false);
    player.setFlag(CueFlag::Option26, false);
    player.setDeviceType(QString::fromLatin1(WaveAudioDevice));
}
} // namespace

CuePlayers::CuePlayers(CueDevice &phasePlayer, CueDevice &warningPlayer)
    : m_mmControl1(phasePlayer)
    , m_mmControl2(warningPlayer)
{ }

void CuePlayers::InitCuePlayers()
{
    prepare(m_mmControl1);
    prepare(m_mmControl2);
    m_mmControl2.setFileName(QString::fromLatin1(WarningCueFile));
}

void CuePlayers::SilenceCuePlayers()
{
    silence(m_mmControl1);
    silence(m_mmControl2);
}

void CuePlayers::SetPhaseCueFile(const QString &fileName)
{
    m_mmControl1.setFileName(fileName);
}

void CuePlayers::PlayWarningCue()
{
    silence(m_mmControl1);
    playFromStart(m_mmControl2);
}

void CuePlayers::PlayPhaseCue()
{
    silence(m_mmControl2);
    playFromStart(m_mmControl1);
}
