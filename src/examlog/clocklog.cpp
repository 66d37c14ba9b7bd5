#include "clocklog.h"

#include "clock/cues.h"
#include "clock/examclock.h"

#include <optional>

namespace zentrel {
namespace {
QString phaseText(Phase phase)
{
    return QString::fromUtf8(phaseRow(phase).statusText);
}

// The operator's command behind a change, if any.
std::optional<SessionEvent> commandEvent(ClockCause cause)
{
    switch (cause) {
    case ClockCause::Start:
        return SessionEvent::Start;
    case ClockCause::Pause:
        return SessionEvent::Pause;
    case ClockCause::Resume:
        return SessionEvent::Resume;
    case ClockCause::Reset:
        return SessionEvent::Reset;
    case ClockCause::SkipFive:
        return SessionEvent::FiveSeconds;
    case ClockCause::SkipToNext:
        return SessionEvent::SkipToNext;
    case ClockCause::Trim:
        return SessionEvent::Trim;
    case ClockCause::StartUp:
    case ClockCause::Tick:
    case ClockCause::Adopt:
        break;
    }
    return std::nullopt;
}

QString commandDetail(const ClockChange &change, const ClockState &before)
{
    switch (change.cause) {
    case ClockCause::Start:
        return startDetail(change.state.PhaseDurations, change.state.TickIntervalMs);
    case ClockCause::Trim:
        return trimDetail(before.TickIntervalMs, change.state.TickIntervalMs);
    default:
        return {};
    }
}
} // namespace

ClockLog::ClockLog(SessionLog &log, const ExamClock &clock, CueCheck cueCheck)
    : m_log(log)
    , m_cueCheck(std::move(cueCheck))
    , m_before(clock.state())
{
    m_shown.phase = phaseText(Phase::Reset);
    connect(&clock, &ExamClock::changed, this, &ClockLog::onChanged);
}

void ClockLog::record(SessionEvent event, const QString &detail)
{
    m_log.record(event, m_shown, detail);
}

void ClockLog::onChanged(const ClockChange &change)
{
    const ClockState before = std::exchange(m_before, change.state);
    const std::optional<SessionEvent> command = commandEvent(change.cause);
    // Pause and resume that found the clock already so did nothing.
    const bool acted = operatingStateOf(before) != change.operatingState()
        || (change.cause != ClockCause::Pause && change.cause != ClockCause::Resume);
    if (command && acted)
        record(*command, commandDetail(change, before));
    for (const Phase phase : change.entered) {
        m_shown.phase = phaseText(phase);
        record(SessionEvent::PhaseEntered);
    }
    m_shown.phase = phaseText(change.state.Phase);
    if (change.writesCount()) {
        m_shown.minutes = change.state.RemainingMinutes;
        m_shown.seconds = change.state.RemainingSeconds;
    }
    if (change.cue != Cue::None) {
        const QString file = QString::fromLatin1(cueFile(change.cue, change.state.Phase));
        const CueHearing heard = m_cueCheck ? m_cueCheck(file) : CueHearing {};
        record(SessionEvent::Cue, cueDetail(file, heard.source, heard.whyNotHeard));
    }
}

} // namespace zentrel
