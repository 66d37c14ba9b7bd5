#pragma once

#include "clockchange.h"
#include "clockstate.h"
#include "controls.h"
#include "cues.h"
#include "lengthboxes.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>

namespace zentrel {

enum class StartOutcome { Started, Refused };

// Who makes the clock tick: its own precise timer, or the caller through tick() alone (tests,
// benchmarks), so that nobody waits for a period to pass.
enum class TickDrive { Timer, Manual };

// How the timer keeps time. A following room hears each of the leader's ticks as a state to
// adopt; its own timer then stands in, half an interval slower, so that it fires only when
// a message is late and the room never freezes. Cut off, it keeps time itself.
enum class TickPace { Exact, StandIn };

// The examination clock: its state, its tick timer and the operator's commands. It knows
// nothing of windows, sound, files or networks: after every change it emits changed() once
// with its whole state and what the change did, and whoever shows, sounds, logs or sends
// listens to that.
class ExamClock : public QObject
{
    Q_OBJECT

public:
    explicit ExamClock(TickDrive drive = TickDrive::Timer, QObject *parent = nullptr);

    const ClockState &state() const { return m_state; }
    OperatingState operatingState() const { return operatingStateOf(m_state); }
    ClockSettings settings() const { return { m_state.TickIntervalMs, m_state.PhaseDurations }; }

    // Idle with these settings, the timer stopped, 0:00 shown.
    void startUp(const ClockSettings &settings);
    // Takes another clock's whole state as it stands and runs the timer if that state runs.
    void adopt(const ClockState &state);
    void setPace(TickPace pace);
    // The timer's period as it is set now, pace included.
    int timerInterval() const { return m_timer.interval(); }

    void tick();

    // START with the length boxes' texts, as readStartBoxes() reads them.
    StartOutcome start(const LengthTexts &boxes);
    void pause();
    void resume();
    void reset();
    void skipFiveSeconds();
    void skipToNext();
    void trimInterval(int step);

Q_SIGNALS:
    void changed(const zentrel::ClockChange &change);

private:
    bool enterNextPhaseWithTimeLeft();
    void enterPhase(Phase phase);
    void enterResetPhase();
    void startTimer();
    void stopTimer();
    void applyTickInterval();
    void emitChange(ClockCause cause);
    Cue markCueHeard(ClockCause cause, bool newOccurrence);
    bool silences(ClockCause cause, bool newOccurrence) const;

    TickDrive m_drive = TickDrive::Timer;
    TickPace m_pace = TickPace::Exact;
    QTimer m_timer;
    ClockState m_state;
    ClockState m_emitted; // as the last change told it
    QVarLengthArray<Phase, CountedPhases> m_entered; // by the change under way
    std::array<bool, CueMoments.size()> m_cuesHeard {}; // in this occurrence of the phase
};

} // namespace zentrel
