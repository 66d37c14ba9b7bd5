#pragma once

#include "clock/outlets.h"
#include "cuedevice.h"

inline constexpr const char *WarningCueFile = "sec30.wav";

// The five cue operations over the phase cue player (MMControl1) and the warning
// player (MMControl2). Each sends its fixed command sequence, in order.
class CuePlayers : public CueOutlet
{
public:
    CuePlayers(CueDevice &phasePlayer, CueDevice &warningPlayer);

    void InitCuePlayers() override;
    void SilenceCuePlayers() override;
    void SetPhaseCueFile(const QString &fileName) override;
    void PlayWarningCue() override;
    void PlayPhaseCue() override;
    void PrepareForCue() override { } // the players themselves need no notice

private:
    CueDevice &m_mmControl1;
    CueDevice &m_mmControl2;
};
