#pragma once

#include "cueplayer.h"
#include "cueplayers.h"
#include "mixerbackend.h"
#include "pulseoutput.h"

// The two cue players as the program uses them: MMControl1 and MMControl2 on two voices
// of one output stream, kept warm while a cue may come.
class SoundSystem : private CueOutlet
{
public:
    SoundSystem();

    CueOutlet &cues() { return *this; }
    CuePlayer &phasePlayer() { return m_mmControl1; }
    CuePlayer &warningPlayer() { return m_mmControl2; }
    PulseOutput &output() { return m_output; }

private:
    void InitCuePlayers() override { m_cuePlayers.InitCuePlayers(); }
    void SilenceCuePlayers() override { m_cuePlayers.SilenceCuePlayers(); }
    void SetPhaseCueFile(const QString &fileName) override
    {
        m_cuePlayers.SetPhaseCueFile(fileName);
    }
    void PlayWarningCue() override { m_cuePlayers.PlayWarningCue(); }
    void PlayPhaseCue() override { m_cuePlayers.PlayPhaseCue(); }
    void PrepareForCue() override { m_output.keepWarm(); }

    PulseOutput m_output;
    ClipCache m_cache;
    MixerCueBackend m_phaseVoice { m_output.mixer(), 0, m_cache };
    MixerCueBackend m_warningVoice { m_output.mixer(), 1, m_cache };
    CuePlayer m_mmControl1 { m_phaseVoice };
    CuePlayer m_mmControl2 { m_warningVoice };
    CuePlayers m_cuePlayers { m_mmControl1, m_mmControl2 };
};
