#pragma once

#include "clock/outlets.h"

namespace zentrel {

// How the room's own timer keeps time. A following room hears each of the leader's ticks as
// a message; its own timer then stands in, half an interval slower, so that it fires only
// when a message is late and the room never freezes. Cut off, it keeps time itself.
enum class TickPace { Exact, StandIn };

class StandInTicks : public TickSource
{
public:
    explicit StandInTicks(TickSource &timer)
        : m_timer(timer)
    { }

    void setPace(TickPace pace)
    {
        m_pace = pace;
        if (m_interval > 0)
            applyInterval();
    }
    TickPace pace() const { return m_pace; }

    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    void setInterval(int milliseconds) override
    {
        m_interval = milliseconds;
        applyInterval();
    }
    bool isRunning() const override { return m_timer.isRunning(); }

private:
    void applyInterval()
    {
        m_timer.setInterval(m_pace == TickPace::Exact ? m_interval : m_interval + m_interval / 2);
    }

    TickSource &m_timer;
    TickPace m_pace = TickPace::Exact;
    int m_interval = 0;
};

// Whether the clock's own cue calls are played. A following room holds them: which cue
// sounds on which tick is decided from the leader's count and its own together.
enum class ClockCuePlays { Played, Held };

class ClockCueGate : public CueOutlet
{
public:
    explicit ClockCueGate(CueOutlet &cues)
        : m_cues(cues)
    { }

    void setPlays(ClockCuePlays plays) { m_plays = plays; }

    void initCuePlayers() override { m_cues.initCuePlayers(); }
    void silenceCuePlayers() override { m_cues.silenceCuePlayers(); }
    void setPhaseCueFile(const QString &fileName) override { m_cues.setPhaseCueFile(fileName); }
    void playWarningCue() override
    {
        if (m_plays == ClockCuePlays::Played)
            m_cues.playWarningCue();
    }
    void playPhaseCue() override
    {
        if (m_plays == ClockCuePlays::Played)
            m_cues.playPhaseCue();
    }
    void prepareForCue() override { m_cues.prepareForCue(); }

private:
    CueOutlet &m_cues;
    ClockCuePlays m_plays = ClockCuePlays::Played;
};

} // namespace zentrel
