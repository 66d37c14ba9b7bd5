#include "examclock.h"

#include "cues.h"
#include "phases.h"

#include <algorithm>
#include <limits>

namespace zentrel {
namespace {
// Borrows a minute when the seconds are used up; false at 0:00.
bool borrowMinute(ClockState &s)
{
    if (s.RemainingSeconds != 0)
        return true;
    if (s.RemainingMinutes == 0)
        return false;
    --s.RemainingMinutes;
    s.RemainingSeconds = 60;
    return true;
}

int secondsLeft(const ClockState &s)
{
    return s.RemainingMinutes * 60 + s.RemainingSeconds;
}

int phaseLength(const ClockState &s)
{
    if (s.Phase == Phase::Reset || phaseRow(s.Phase).phase != s.Phase)
        return 0;
    const std::size_t slot = minutesSlot(s.Phase);
    return s.PhaseDurations[slot] * 60 + s.PhaseDurations[slot + 1];
}
} // namespace

ExamClock::ExamClock(TickDrive drive, QObject *parent)
    : QObject(parent)
    , m_drive(drive)
{
    // Precise, so each second is not shifted by a coarse timer's slack.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ExamClock::tick);
    applyTickInterval();
}

void ExamClock::startUp(const ClockSettings &settings)
{
    stopTimer();
    m_state.TickIntervalMs = settings.TickIntervalMs;
    m_state.PhaseDurations = settings.PhaseDurations;
    applyTickInterval();
    enterResetPhase();
    emitChange(ClockCause::StartUp);
}

void ExamClock::adopt(const ClockState &state)
{
    stopTimer();
    m_state = state;
    if (phaseRow(m_state.Phase).phase != m_state.Phase)
        m_state.Phase = Phase::Reset;
    if (m_state.Phase != m_emitted.Phase && m_state.Phase != Phase::Reset)
        m_entered.push_back(m_state.Phase);
    applyTickInterval();
    // Stopped first, so a fresh period begins with the state taken.
    m_state.Timer = TimerRun::Stopped;
    if (state.Timer == TimerRun::Running)
        startTimer();
    emitChange(ClockCause::Adopt);
}

void ExamClock::setPace(TickPace pace)
{
    m_pace = pace;
    applyTickInterval();
}

void ExamClock::tick()
{
    if (borrowMinute(m_state) || enterNextPhaseWithTimeLeft())
        --m_state.RemainingSeconds;
    emitChange(ClockCause::Tick);
}

// Phases of 0:00 are passed over within the tick. One round of the cycle is the most there
// can be to pass over; with nothing to count the clock stops at 0:00 instead of spinning.
bool ExamClock::enterNextPhaseWithTimeLeft()
{
    for (std::size_t change = 0; change < CountedPhases; ++change) {
        const Phase next = phaseRow(m_state.Phase).next;
        if (next == Phase::Reset)
            break;
        enterPhase(next);
        if (borrowMinute(m_state))
            return true;
    }
    stopTimer();
    return false;
}

void ExamClock::enterPhase(Phase phase)
{
    m_state.Phase = phase;
    m_state.RemainingMinutes = m_state.PhaseDurations[minutesSlot(phase)];
    m_state.RemainingSeconds = m_state.PhaseDurations[minutesSlot(phase) + 1];
    m_entered.push_back(phase);
}

StartOutcome ExamClock::start(const LengthTexts &boxes)
{
    const std::optional<PhaseLengths> lengths = readStartBoxes(boxes);
    if (!lengths)
        return StartOutcome::Refused;
    m_state.PhaseDurations = *lengths;
    m_state.Paused = Pause::Off;
    enterPhase(Phase::Moving);
    startTimer();
    emitChange(ClockCause::Start);
    return StartOutcome::Started;
}

void ExamClock::pause()
{
    stopTimer();
    m_state.Paused = Pause::On;
    emitChange(ClockCause::Pause);
}

void ExamClock::resume()
{
    m_state.Paused = Pause::Off;
    startTimer();
    emitChange(ClockCause::Resume);
}

void ExamClock::reset()
{
    stopTimer();
    enterResetPhase();
    emitChange(ClockCause::Reset);
}

// Both skips stop the timer and start it again, so a fresh period follows the new count.
void ExamClock::skipFiveSeconds()
{
    stopTimer();
    m_state.RemainingSeconds = static_cast<std::int16_t>(std::max(0, m_state.RemainingSeconds - 5));
    startTimer();
    emitChange(ClockCause::SkipFive);
}

void ExamClock::skipToNext()
{
    stopTimer();
    m_state.RemainingMinutes = std::int16_t(SkipToNextSecondsLeft / 60);
    m_state.RemainingSeconds = std::int16_t(SkipToNextSecondsLeft % 60);
    startTimer();
    emitChange(ClockCause::SkipToNext);
}

void ExamClock::trimInterval(int step)
{
    int value = m_state.TickIntervalMs + step;
    if (step < 0 && value < TickIntervalFloorMs)
        value = TickIntervalFloorMs;
    value = std::min<int>(value, std::numeric_limits<std::int16_t>::max());
    m_state.TickIntervalMs = static_cast<std::int16_t>(value);
    applyTickInterval();
    emitChange(ClockCause::Trim);
}

void ExamClock::enterResetPhase()
{
    m_state.Phase = Phase::Reset;
    m_state.Paused = Pause::Off;
    m_state.RemainingMinutes = 0;
    m_state.RemainingSeconds = 0;
}

void ExamClock::startTimer()
{
    m_state.Timer = TimerRun::Running;
    if (m_drive == TickDrive::Timer)
        m_timer.start();
}

void ExamClock::stopTimer()
{
    m_state.Timer = TimerRun::Stopped;
    m_timer.stop();
}

// A running timer is stopped and started again so the new period begins afresh.
void ExamClock::applyTickInterval()
{
    const int interval = std::max(1, int(m_state.TickIntervalMs)); // 0 would starve the window
    const bool running = m_timer.isActive();
    m_timer.stop();
    m_timer.setInterval(m_pace == TickPace::Exact ? interval : interval + interval / 2);
    if (running)
        m_timer.start();
}

// The cue due on this change, marked as heard so that it sounds no more in this occurrence.
// A cue belongs to a count shown by a tick (START shows a full length without one), and
// sounds once for one occurrence of a phase, whichever clock counted there first. The
// operator's skips move the count on purpose: what the next ticks show, they sound.
Cue ExamClock::markCueHeard(ClockCause cause, bool newOccurrence)
{
    if (newOccurrence || cause == ClockCause::SkipFive || cause == ClockCause::SkipToNext)
        m_cuesHeard = {};
    const bool counted = cause == ClockCause::Tick
        || (cause == ClockCause::Adopt && m_state.Phase != Phase::Reset
            && secondsLeft(m_state) != phaseLength(m_state));
    const Cue cue = counted ? cueAt(secondsLeft(m_state)) : Cue::None;
    for (std::size_t i = 0; i < CueMoments.size(); ++i) {
        if (CueMoments[i].cue == cue)
            return std::exchange(m_cuesHeard[i], true) ? Cue::None : cue;
    }
    return Cue::None;
}

// An adopted state is the leader's START when it shows a phase at its full length (a tick
// never does), and its RESET when it leaves a phase for the reset state.
bool ExamClock::silences(ClockCause cause, bool newOccurrence) const
{
    switch (cause) {
    case ClockCause::StartUp:
    case ClockCause::Start:
    case ClockCause::Reset:
        return true;
    case ClockCause::Adopt:
        if (m_state.Phase == Phase::Reset)
            return m_emitted.Phase != Phase::Reset;
        return newOccurrence && secondsLeft(m_state) == phaseLength(m_state);
    default:
        return false;
    }
}

void ExamClock::emitChange(ClockCause cause)
{
    // A phase's count stands at its full length when START entered it, or a second below
    // when a tick did: an adopted state that climbs back there began the phase anew, while
    // one a few seconds up only corrects this room's drift.
    const int left = secondsLeft(m_state);
    const bool newOccurrence = !m_entered.isEmpty() || m_state.Phase != m_emitted.Phase
        || (left > secondsLeft(m_emitted) && left >= phaseLength(m_state) - 1);
    ClockChange change { m_state, cause, std::exchange(m_entered, {}),
                         markCueHeard(cause, newOccurrence) };
    change.silence = silences(cause, newOccurrence) ? CueSilence::Now : CueSilence::Keep;
    const bool running = m_state.Timer == TimerRun::Running;
    switch (cause) {
    case ClockCause::Start:
    case ClockCause::Resume:
    case ClockCause::SkipFive:
    case ClockCause::SkipToNext:
        change.notice = CueNotice::Soon; // the first tick may already be a cue
        break;
    case ClockCause::Tick:
    case ClockCause::Adopt:
        if (running && cueComing(secondsLeft(m_state)))
            change.notice = CueNotice::Soon;
        break;
    default:
        break;
    }
    m_emitted = m_state;
    Q_EMIT changed(change);
}

} // namespace zentrel
