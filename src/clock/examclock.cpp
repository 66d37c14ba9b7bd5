#include "examclock.h"

#include "numbertext.h"
#include "phasetable.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace {
constexpr int IntervalFloorMs = 100;
constexpr int PhaseCount = 4;
constexpr int CueWarmUpTicks = 2; // ticks of notice the sound path gets before a cue

// The count just shown is a few ticks above 0:30 or 0:10.
bool cueComing(const ClockState &s)
{
    const int sec = s.RemainingSeconds;
    return s.RemainingMinutes == 0
        && ((sec > 30 && sec <= 30 + CueWarmUpTicks) || (sec > 10 && sec <= 10 + CueWarmUpTicks));
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
} // namespace

ExamClock::ExamClock(TickSource &ticks, CueOutlet &cues, ClockDisplay &display)
    : m_ticks(ticks)
    , m_cues(cues)
    , m_display(display)
{ }

OperatingState ExamClock::operatingState() const
{
    if (m_state.Phase == 0)
        return OperatingState::Idle;
    return m_state.Paused == 1 ? OperatingState::Paused : OperatingState::Running;
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
        m_cues.PlayWarningCue();
    if (m_state.RemainingMinutes == 0 && m_state.RemainingSeconds == 10)
        m_cues.PlayPhaseCue();
    if (cueComing(m_state))
        m_cues.PrepareForCue();
}

// Phases of 0:00 are passed over within the tick. One round of the cycle is the most
// there can be to pass over; with nothing to count (all lengths 0:00, or no phase at all)
// the clock stops at 0:00 instead of spinning.
bool ExamClock::enterNextPhaseWithTimeLeft()
{
    for (int change = 0; change < PhaseCount; ++change) {
        const PhaseRow &row = phaseRow(m_state.Phase);
        if (row.next == 0)
            break;
        m_state.Phase = row.next;
        m_cues.SetPhaseCueFile(QString::fromUtf8(row.nextCueFile));
        m_state.RemainingMinutes = m_state.PhaseDurations[row.durationSlot];
        m_state.RemainingSeconds = m_state.PhaseDurations[row.durationSlot + 1];
        ShowPhaseStatus();
        if (borrowMinute(m_state))
            return true;
    }
    m_ticks.stop();
    return false;
}

void ExamClock::showCount()
{
    m_display.setMinutesText(QString::number(m_state.RemainingMinutes));
    m_display.setSecondsText(QString::number(m_state.RemainingSeconds));
}

StartOutcome ExamClock::start(const std::array<QString, 8> &boxes)
{
    // Every box is read and tested before anything is decided.
    std::array<std::int16_t, 8> lengths {};
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

    m_display.setOperatingState(OperatingState::Running);
    m_state.PhaseDurations = lengths;
    m_state.Phase = static_cast<std::uint8_t>(PhaseNumber::Moving);
    m_state.Paused = 0;
    ShowPhaseStatus();
    m_cues.SilenceCuePlayers();
    m_cues.SetPhaseCueFile(QString::fromUtf8(FirstCueFile));
    m_state.RemainingMinutes = lengths[0];
    m_state.RemainingSeconds = lengths[1];
    m_ticks.start();
    m_cues.PrepareForCue(); // the first tick may already be a cue
    return StartOutcome::Started;
}

void ExamClock::pause()
{
    m_ticks.stop();
    m_display.setOperatingState(OperatingState::Paused);
    m_state.Paused = 1;
    ShowPhaseStatus();
}

void ExamClock::resume()
{
    m_display.setOperatingState(OperatingState::Running);
    m_state.Paused = 0;
    ShowPhaseStatus();
    m_ticks.start();
    m_cues.PrepareForCue();
}

void ExamClock::reset()
{
    m_ticks.stop();
    m_state.Phase = 0;
    m_state.Paused = 0;
    ShowPhaseStatus();
    m_state.RemainingMinutes = 0;
    m_state.RemainingSeconds = 0;
    showCount();
    m_display.setOperatingState(OperatingState::Idle);
    m_cues.SilenceCuePlayers();
}

void ExamClock::skipFiveSeconds()
{
    m_ticks.stop();
    m_state.RemainingSeconds = static_cast<std::int16_t>(std::max(0, m_state.RemainingSeconds - 5));
    m_ticks.start();
    m_cues.PrepareForCue();
}

void ExamClock::skipToNext()
{
    m_ticks.stop();
    m_state.RemainingMinutes = 0;
    m_state.RemainingSeconds = 11;
    m_ticks.start();
    m_cues.PrepareForCue();
}

void ExamClock::trimInterval(int step)
{
    int value = m_state.TickIntervalMs + step;
    if (step < 0 && value < IntervalFloorMs)
        value = IntervalFloorMs;
    value = std::min<int>(value, std::numeric_limits<std::int16_t>::max());
    m_state.TickIntervalMs = static_cast<std::int16_t>(value);
    ApplyTickInterval();
}

bool ExamClock::mouseReleased(Control control, MouseRelease release)
{
    const std::optional<ReleaseCommand> command = releaseCommandOf(control);
    if (!command || !isEnabled(operatingState(), control) || !gestureAccepted(*command, release))
        return false;
    switch (control) {
    case Control::Command4:
        reset();
        break;
    case Control::Command5:
        skipFiveSeconds();
        break;
    case Control::Command10:
        skipToNext();
        break;
    case Control::Command6:
        trimInterval(-10);
        break;
    case Control::Command7:
        trimInterval(-1);
        break;
    case Control::Command8:
        trimInterval(+1);
        break;
    default:
        trimInterval(+10);
        break;
    }
    return true;
}

void ExamClock::stopForStartUp()
{
    m_ticks.stop();
    m_display.setOperatingState(OperatingState::Idle);
}

void ExamClock::finishStartUp(const QString &reminder)
{
    m_cues.InitCuePlayers();
    m_state.Phase = 0;
    m_state.Paused = 0;
    ShowPhaseStatus();
    m_display.setStatusText(reminder);
    m_state.RemainingMinutes = 0;
    m_state.RemainingSeconds = 0;
    showCount();
}

void ExamClock::ShowPhaseStatus()
{
    const PhaseRow &row = phaseRow(m_state.Phase);
    QString text = QString::fromUtf8(row.message);
    if (m_state.Paused == 1)
        text += QStringLiteral("  ") + QString::fromUtf8(PauseMark);
    m_display.setStatusText(text);
    m_display.setBarColour(row.colour);
}

void ExamClock::ApplyTickInterval()
{
    const QString text = QString::number(m_state.TickIntervalMs);
    if (m_ticks.isRunning()) {
        m_ticks.stop();
        m_ticks.setInterval(m_state.TickIntervalMs);
        m_display.setIntervalText(text);
        m_ticks.start();
    } else {
        m_ticks.setInterval(m_state.TickIntervalMs);
        m_display.setIntervalText(text);
    }
}
