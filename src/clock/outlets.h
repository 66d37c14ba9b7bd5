#pragma once

#include "clockstate.h"
#include "controls.h"

#include <QString>

namespace zentrel {

// What the clock drives. The program gives the real ones; tests give one recording fake.

class TickSource
{
public:
    virtual ~TickSource() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void setInterval(int milliseconds) = 0;
    virtual bool isRunning() const = 0;
};

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

class ClockDisplay
{
public:
    virtual ~ClockDisplay() = default;
    virtual void showCount(int minutes, int seconds) = 0;
    virtual void showPhaseStatus(const ClockState &state) = 0; // reads Phase and Paused
    virtual void showTickInterval(int milliseconds) = 0;
    virtual void showOperatingState(OperatingState state) = 0;
};

} // namespace zentrel
