#include "followersync.h"

namespace zentrel {

namespace {
constexpr int WarningAt = 30;
constexpr int AnnouncementAt = 10;

int secondsLeft(const ClockSnapshot &s)
{
    return s.RemainingMinutes * 60 + s.RemainingSeconds;
}

int phaseLength(const ClockSnapshot &s)
{
    if (s.Phase < 1 || s.Phase > 4)
        return 0;
    const std::size_t slot = std::size_t(s.Phase - 1) * 2;
    return s.PhaseDurations[slot] * 60 + s.PhaseDurations[slot + 1];
}

// A phase's count stands at its full length when it was entered by START, or a second
// below it when a tick entered it: neither is reached by a resync, which moves the count
// by the few seconds the room drifted while cut off.
bool newOccurrence(const ClockSnapshot &before, const ClockSnapshot &after)
{
    if (before.Phase != after.Phase || after.Phase == 0)
        return true;
    const int left = secondsLeft(after);
    return left > secondsLeft(before) && left >= phaseLength(after) - 1;
}
} // namespace

FollowerStep FollowerSync::takeLeaderSnapshot(const ClockSnapshot &leader)
{
    return show(leader);
}

FollowerStep FollowerSync::takeOwnTick(const ClockSnapshot &counted)
{
    return show(counted);
}

FollowerStep FollowerSync::show(const ClockSnapshot &next)
{
    if (newOccurrence(m_shown, next)) {
        m_warned = false;
        m_announced = false;
    }
    FollowerStep step { next };
    // START shows a phase's full length without a tick, and the clock plays cues on ticks.
    const int left = secondsLeft(next);
    const bool counted = next.Phase != 0 && left != phaseLength(next);
    if (counted && left == WarningAt && !m_warned)
        step.playWarning = m_warned = true;
    if (counted && left == AnnouncementAt && !m_announced)
        step.playPhaseCue = m_announced = true;
    m_shown = next;
    return step;
}

} // namespace zentrel
