#pragma once

#include "clock/clockstate.h"
#include "rooms/clocksnapshot.h"

namespace zentrel {

enum class TimerRun { Stopped, Running };

// The clock's state as the rooms of a circuit exchange it, and back.
inline ClockSnapshot snapshotOf(const ClockState &s, TimerRun timer)
{
    return { s.Phase,          s.Paused,         s.RemainingMinutes,        s.RemainingSeconds,
             s.PhaseDurations, s.TickIntervalMs, timer == TimerRun::Running };
}

inline ClockState stateOf(const ClockSnapshot &s)
{
    return { s.Phase,          s.Paused,        s.RemainingMinutes, s.RemainingSeconds,
             s.PhaseDurations, s.TickIntervalMs };
}

} // namespace zentrel
