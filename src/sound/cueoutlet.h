#pragma once

#include "clock/clockchange.h"

#include <QString>

namespace zentrel {

// The two cue players: the phase cue player (the next phase's announcement, at 0:10) and
// the warning player (sec30.wav, at 0:30).
class CueOutlet
{
public:
    virtual ~CueOutlet() = default;
    virtual void initCuePlayers() = 0;
    virtual void silenceCuePlayers() = 0;
    virtual void setPhaseCueFile(const QString &fileName) = 0;
    virtual void playWarningCue() = 0;
    virtual void playPhaseCue() = 0;
    // A cue may come within two ticks: have the sound path ready so it is heard on its tick.
    virtual void prepareForCue() = 0;
};

// Drives the players as the clock changes: both are silenced at START and RESET, a cue
// due is played, and notice of a coming cue readies the sound path.
void playClockCues(CueOutlet &cues, const ClockChange &change);

} // namespace zentrel
