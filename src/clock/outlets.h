#pragma once

#include "controlstates.h"

#include <QString>
#include <cstdint>

// What the clock drives. The window and the sound layer implement these;
// tests record what was sent, in order.

class TickSource
{
public:
    virtual ~TickSource() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual void setInterval(int milliseconds) = 0;
    virtual bool isRunning() const = 0;
};

class CueOutlet
{
public:
    virtual ~CueOutlet() = default;
    virtual void InitCuePlayers() = 0;
    virtual void SilenceCuePlayers() = 0;
    virtual void SetPhaseCueFile(const QString &fileName) = 0;
    virtual void PlayWarningCue() = 0;
    virtual void PlayPhaseCue() = 0;
    // A cue may come within a few ticks: have the sound path ready, so that it is heard
    // on its tick. Sends no command to either player.
    virtual void PrepareForCue() = 0;
};

class ClockDisplay
{
public:
    virtual ~ClockDisplay() = default;
    virtual void setMinutesText(const QString &text) = 0; // Label3
    virtual void setSecondsText(const QString &text) = 0; // Label5
    virtual void setStatusText(const QString &text) = 0; // Label1
    virtual void setBarColour(std::uint32_t colour) = 0; // Label2, 0x00BBGGRR or system colour
    virtual void setIntervalText(const QString &text) = 0; // Label15
    virtual void setOperatingState(OperatingState state) = 0; // enabled flags of every control
};
