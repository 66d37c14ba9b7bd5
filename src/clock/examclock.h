#pragma once

#include "clockstate.h"
#include "controlstates.h"
#include "gesture.h"
#include "outlets.h"

#include <QString>
#include <array>

enum class StartOutcome { Started, Refused };

inline constexpr const char *StartRefusalMessage = "時間設定が不適切です";

// The examination clock: its state, the tick and the operator's commands. It owns no
// timer, sound or widget; it drives them through the outlets it is given.
class ExamClock
{
public:
    ExamClock(TickSource &ticks, CueOutlet &cues, ClockDisplay &display);

    const ClockState &state() const { return m_state; }
    ClockState &state() { return m_state; }
    OperatingState operatingState() const;

    void tick();

    // START: the eight entry boxes' texts, Text1 to Text8.
    StartOutcome start(const std::array<QString, 8> &boxes);
    void pause();
    void resume();
    void reset();
    void skipFiveSeconds();
    void skipToNext();
    void trimInterval(int step); // -10, -1, +1 or +10

    // A mouse release on one of the release-driven buttons; acts only on its gesture
    // and only while the button is enabled. Returns whether it acted.
    bool mouseReleased(Control control, MouseRelease release);

    // Start-up: the timer stopped first, then (after the settings are read)
    // the interval applied, and last the idle state entered.
    void stopForStartUp();
    void finishStartUp(const QString &reminder);

    void ShowPhaseStatus();
    void ApplyTickInterval();

private:
    bool enterNextPhaseWithTimeLeft();
    void showCount();

    TickSource &m_ticks;
    CueOutlet &m_cues;
    ClockDisplay &m_display;
    ClockState m_state;
};
