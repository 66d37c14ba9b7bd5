#pragma once

#include "clocksnapshot.h"

namespace zentrel {

// What a following room shows and which cues it plays. Its input is the leader's snapshot
// while the leader is heard, and its own clock's state after each of its own ticks while it
// is cut off (it counts on at the last interval). A cue belongs to the tick whose count is
// shown: the warning to 0:30, the next phase's announcement to 0:10. Each plays once per
// occurrence of a phase, whichever side (leader or own tick) shows that count first, so a
// rejoin neither repeats a cue nor loses one that is due at that very moment.
struct FollowerStep
{
    ClockSnapshot show;
    bool playWarning = false;
    bool playPhaseCue = false;
};

class FollowerSync
{
public:
    FollowerStep takeLeaderSnapshot(const ClockSnapshot &leader);
    FollowerStep takeOwnTick(const ClockSnapshot &counted);

    const ClockSnapshot &shown() const { return m_shown; }
    // Whether the room's own timer should count while cut off: the leader's was running.
    bool countsWhileCutOff() const { return m_shown.TimerRunning; }

private:
    FollowerStep show(const ClockSnapshot &next);

    ClockSnapshot m_shown;
    bool m_warned = false; // the warning of this phase occurrence has played
    bool m_announced = false; // and the announcement
};

} // namespace zentrel
