#pragma once

#include "clock/outlets.h"
#include "cueplayer.h"

namespace zentrel {

// The clock's cue operations on the one player: the phase cue player holds a file name
// until its cue is due; the warning player always plays the warning.
class CuePlayers : public CueOutlet
{
public:
    explicit CuePlayers(CuePlayer &player)
        : m_player(player)
    { }

    void initCuePlayers() override { m_player.silence(); }
    void silenceCuePlayers() override { m_player.silence(); }
    void setPhaseCueFile(const QString &fileName) override { m_phaseCueFile = fileName; }
    void playWarningCue() override
    {
        m_player.play(CueVoice::Warning, QString::fromLatin1(WarningCueFile));
    }
    void playPhaseCue() override { m_player.play(CueVoice::Announcement, m_phaseCueFile); }
    void prepareForCue() override { m_player.keepWarm(); }

private:
    CuePlayer &m_player;
    QString m_phaseCueFile;
};

} // namespace zentrel
