#pragma once

#include "clipcache.h"
#include "cueplayers.h"
#include "pulseoutput.h"
#include "voiceplayer.h"

namespace zentrel {

// The program's sound: the two cue players on two voices of one output stream, kept
// warm while a cue may come.
class SoundSystem
{
public:
    SoundSystem();

    CueOutlet &cues() { return m_cuePlayers; }
    PulseOutput &output() { return m_output; }

private:
    PulseOutput m_output;
    ClipCache m_cache;
    VoicePlayer m_phasePlayer { m_output.mixer(), 0, m_cache };
    VoicePlayer m_warningPlayer { m_output.mixer(), 1, m_cache };
    CuePlayers m_cuePlayers { m_phasePlayer, m_warningPlayer, [this] {
                                 m_output.keepWarm();
                             } };
};

} // namespace zentrel
