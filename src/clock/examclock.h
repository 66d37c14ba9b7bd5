#pragma once

#include "clockstate.h"
#include "controls.h"
#include "gestures.h"
#include "outlets.h"

#include <QObject>
#include <QString>
#include <array>

namespace zentrel {

enum class StartOutcome { Started, Refused };

// The examination clock: its state, the tick and the operator's commands. It owns no
// timer, sound or widget; it drives them through the outlets it is given.
class ExamClock : public QObject
{
    Q_OBJECT

public:
    ExamClock(TickSource &ticks, CueOutlet &cues, ClockDisplay &display, QObject *parent = nullptr);

    const ClockState &state() const { return m_state; }
    OperatingState operatingState() const;
    ClockSettings settings() const { return { m_state.TickIntervalMs, m_state.PhaseDurations }; }

    // Idle with these settings, the timer stopped, the players prepared, 0:00 shown.
    void startUp(const ClockSettings &settings);
    // Takes a whole state as it stands (another clock's), shows it and runs the timer if
    // that state runs.
    void adopt(const ClockState &state);

    void tick();

    // START with the eight length boxes' texts.
    StartOutcome start(const std::array<QString, 8> &boxes);
    void pause();
    void resume();
    void reset();
    void skipFiveSeconds();
    void skipToNext();
    void trimInterval(int step);

    // A mouse release on a control; acts only on the control's gesture while it is
    // enabled. Returns whether it acted.
    bool release(Control control, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

private:
    bool enterNextPhaseWithTimeLeft();
    void enterResetPhase();
    void showCount();
    void showPhaseStatus();
    void applyTickInterval();

    TickSource &m_ticks;
    CueOutlet &m_cues;
    ClockDisplay &m_display;
    ClockState m_state;
};

} // namespace zentrel
