#pragma once

#include "cueplayer.h"
#include "pulseoutput.h"

namespace zentrel {

// The program's sound: the cue player, streamed to the sound server's default output.
class SoundSystem
{
public:
    CuePlayer &player() { return m_player; }
    PulseOutput &output() { return m_output; }

private:
    CuePlayer m_player;
    PulseOutput m_output { m_player }; // goes before the player: it stops the thread rendering
};

} // namespace zentrel
