#include "examclock.h"

#include "numbertext.h"
#include "phases.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace zentrel {
namespace {
constexpr int IntervalFloorMs = 100;
constexpr int CueNoticeTicks = 2;

bool cueComing(const ClockState &s)
{
    const int sec = s.RemainingSeconds;
    return s.RemainingMinutes == 0
        && ((sec > 30 && sec <= 30 + CueNoticeTicks) || (sec > 10 && sec <= 10 + CueNoticeTicks));
}

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

QString cueFile(const char *name)
{
    return QString::fromLatin1(name);
}
} // namespace

ExamClock::ExamClock(TickSource &ticks, CueOutlet &cues, ClockDisplay &display, QObject *parent)
    : QObject(parent)
    , m_ticks(ticks)
    , m_cues(cues)
    , m_display(display)
{ }

OperatingState ExamClock::operatingState() const
{
    if (m_state.Phase == 0)
        return OperatingState::Idle;
    return m_state.Paused == 1 ? OperatingState::Paused : OperatingState::Running;
}

void ExamClock::startUp(const ClockSettings &settings)
{
    m_ticks.stop();
    m_display.showOperatingState(OperatingState::Idle);
    m_state.TickIntervalMs = settings.TickIntervalMs;
    m_state.PhaseDurations = settings.PhaseDurations;
    applyTickInterval();
    m_cues.initCuePlayers();
    enterResetPhase();
}

void ExamClock::adopt(const ClockState &state)
{
    m_ticks.stop();
    m_state = state;
    if (m_state.Phase >= Phases.size())
        m_state.Phase = 0;
    m_display.showOperatingState(operatingState());
    applyTickInterval();
    showPhaseStatus();
    showCount();
    if (operatingState() == OperatingState::Running) {
        m_ticks.start();
        m_cues.prepareForCue();
    }
}

void ExamClock::tick()
{
    if (!borrowMinute(m_state) && !enterNextPhaseWithTimeLeft()) {
        showCount();
        return;
    }
    --m_state.RemainingSeconds;
    showCount();

    if (m_state.RemainingMinutes == 0 && m_state.RemainingSeconds == 30)
        m_cues.playWarningCue();
    if (m_state.RemainingMinutes == 0 && m_state.RemainingSeconds == 10)
        m_cues.playPhaseCue();
    if (cueComing(m_state))
        m_cues.prepareForCue();
}

// Phases of 0:00 are passed over within the tick. One round of the cycle is the most there
// can be to pass over; with nothing to count the clock stops at 0:00 instead of spinning.
bool ExamClock::enterNextPhaseWithTimeLeft()
{
    for (std::size_t change = 0; change < CountedPhases; ++change) {
        const Phase next = phaseRow(m_state.Phase).next;
        if (next == Phase::Reset)
            break;
        m_state.Phase = static_cast<std::uint8_t>(next);
        m_cues.setPhaseCueFile(cueFile(announcementDuring(next)));
        m_state.RemainingMinutes = m_state.PhaseDurations[minutesSlot(next)];
        m_state.RemainingSeconds = m_state.PhaseDurations[minutesSlot(next) + 1];
        showPhaseStatus();
        if (borrowMinute(m_state))
            return true;
    }
    m_ticks.stop();
    return false;
}

StartOutcome ExamClock::start(const std::array<QString, 8> &boxes)
{
    // Every box is read and tested before anything is decided.
    PhaseLengths lengths {};
    bool acceptable = true;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const std::optional<double> value = parseDecimal(boxes[i]);
        if (!value || *value < 0.0 || *value > 60.0) {
            acceptable = false;
            continue;
        }
        lengths[i] = roundHalfToEven(*value);
    }
    // Eight zeros would leave nothing to count.
    if (!acceptable || std::all_of(lengths.begin(), lengths.end(), [](auto v) { return v == 0; }))
        return StartOutcome::Refused;

    m_display.showOperatingState(OperatingState::Running);
    m_state.PhaseDurations = lengths;
    m_state.Phase = static_cast<std::uint8_t>(Phase::Moving);
    m_state.Paused = 0;
    showPhaseStatus();
    m_cues.silenceCuePlayers();
    m_cues.setPhaseCueFile(cueFile(announcementDuring(Phase::Moving)));
    m_state.RemainingMinutes = lengths[minutesSlot(Phase::Moving)];
    m_state.RemainingSeconds = lengths[minutesSlot(Phase::Moving) + 1];
    m_ticks.start();
    m_cues.prepareForCue(); // the first tick may already be a cue
    return StartOutcome::Started;
}

void ExamClock::pause()
{
    m_ticks.stop();
    m_display.showOperatingState(OperatingState::Paused);
    m_state.Paused = 1;
    showPhaseStatus();
}

void ExamClock::resume()
{
    m_display.showOperatingState(OperatingState::Running);
    m_state.Paused = 0;
    showPhaseStatus();
    m_ticks.start();
    m_cues.prepareForCue();
}

void ExamClock::reset()
{
    m_ticks.stop();
    enterResetPhase();
    m_display.showOperatingState(OperatingState::Idle);
    m_cues.silenceCuePlayers();
}

void ExamClock::skipFiveSeconds()
{
    m_ticks.stop();
    m_state.RemainingSeconds = static_cast<std::int16_t>(std::max(0, m_state.RemainingSeconds - 5));
    m_ticks.start();
    m_cues.prepareForCue();
}

void ExamClock::skipToNext()
{
    m_ticks.stop();
    m_state.RemainingMinutes = 0;
    m_state.RemainingSeconds = 11;
    m_ticks.start();
    m_cues.prepareForCue();
}

void ExamClock::trimInterval(int step)
{
    int value = m_state.TickIntervalMs + step;
    if (step < 0 && value < IntervalFloorMs)
        value = IntervalFloorMs;
    value = std::min<int>(value, std::numeric_limits<std::int16_t>::max());
    m_state.TickIntervalMs = static_cast<std::int16_t>(value);
    applyTickInterval();
}

bool ExamClock::release(Control control, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    const Gesture *gesture = releaseGesture(control);
    if (!gesture || !isEnabled(operatingState(), control) || !matches(*gesture, button, modifiers))
        return false;
    switch (gesture->command) {
    case Command::Reset:
        reset();
        break;
    case Command::SkipFive:
        skipFiveSeconds();
        break;
    case Command::SkipToNext:
        skipToNext();
        break;
    case Command::TrimInterval:
        trimInterval(gesture->trimStep);
        break;
    }
    return true;
}

// Phase 0 as the room sees it: its status, and 0:00.
void ExamClock::enterResetPhase()
{
    m_state.Phase = 0;
    m_state.Paused = 0;
    showPhaseStatus();
    m_state.RemainingMinutes = 0;
    m_state.RemainingSeconds = 0;
    showCount();
}

void ExamClock::showCount()
{
    m_display.showCount(m_state.RemainingMinutes, m_state.RemainingSeconds);
}

void ExamClock::showPhaseStatus()
{
    m_display.showPhaseStatus(m_state);
}

// A running timer is stopped and started again so the new period begins afresh.
void ExamClock::applyTickInterval()
{
    const bool running = m_ticks.isRunning();
    if (running)
        m_ticks.stop();
    m_ticks.setInterval(m_state.TickIntervalMs);
    m_display.showTickInterval(m_state.TickIntervalMs);
    if (running)
        m_ticks.start();
}

} // namespace zentrel
