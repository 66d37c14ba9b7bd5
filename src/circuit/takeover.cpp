#include "takeover.h"

#include "clock/examclock.h"

#include <algorithm>
#include <limits>

namespace zentrel {

namespace {
// At most a round of the longest phases: more ticks than that only come from a bad clock.
constexpr qint64 MaxAdvanceTicks = 4 * 61 * 60;
} // namespace

TakeoverFault takeoverFault(const ClockState &state)
{
    LengthTexts boxes;
    for (std::size_t slot = 0; slot < boxes.size(); ++slot)
        boxes[slot] = QString::number(state.PhaseDurations[slot]);
    if (readStartBoxes(boxes) != state.PhaseDurations)
        return TakeoverFault::Lengths;
    if (state.Phase == Phase::Reset || phaseRow(state.Phase).phase != state.Phase)
        return TakeoverFault::Count;
    const std::size_t slot = minutesSlot(state.Phase);
    const int length = state.PhaseDurations[slot] * 60 + state.PhaseDurations[slot + 1];
    const int left = state.RemainingMinutes * 60 + state.RemainingSeconds;
    if (state.RemainingMinutes < 0 || state.RemainingSeconds < 0 || state.RemainingSeconds > 60
        || left > length)
        return TakeoverFault::Count;
    if (state.TickIntervalMs < TickIntervalFloorMs)
        return TakeoverFault::Interval;
    return TakeoverFault::None;
}

// The clock's own tick, so the taken state moves on exactly as the rooms' clocks do.
ClockState advancedBy(const ClockState &state, qint64 ticks)
{
    if (state.Timer != TimerRun::Running || ticks <= 0)
        return state;
    ExamClock clock(TickDrive::Manual);
    clock.adopt(state);
    for (qint64 i = 0; i < std::min(ticks, MaxAdvanceTicks); ++i)
        clock.tick();
    return clock.state();
}

void TakeoverPoll::hear(const QByteArray &roomId, const RoomPresence &presence, qint64 heardMs)
{
    if (!presence.shown || presence.shown->Phase == Phase::Reset) {
        m_answers.remove(roomId);
        return;
    }
    m_answers.insert(roomId, { presence, heardMs });
}

std::optional<Takeover> TakeoverPoll::choose(qint64 nowMs) const
{
    const Answer *best = nullptr;
    qint64 bestStep = std::numeric_limits<qint64>::min();
    for (const Answer &answer : m_answers) {
        if (takeoverFault(*answer.presence.shown) != TakeoverFault::None)
            continue;
        // When the room was last in step; a room never in step comes last.
        const qint64 step = answer.presence.stepAgoMs < 0
            ? std::numeric_limits<qint64>::min() + 1
            : answer.heardMs - answer.presence.stepAgoMs;
        if (step > bestStep || (step == bestStep && answer.heardMs > best->heardMs)) {
            best = &answer;
            bestStep = step;
        }
    }
    if (!best)
        return std::nullopt;
    const ClockState &shown = *best->presence.shown;
    return Takeover { advancedBy(shown, (nowMs - best->heardMs) / shown.TickIntervalMs),
                      best->presence.room };
}

} // namespace zentrel
