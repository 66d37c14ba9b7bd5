#pragma once

#include "clock/controls.h"
#include "examlog/sessionevent.h"
#include "roomlink.h"

#include <QObject>
#include <QTimer>
#include <memory>

namespace zentrel {

class ExamClock;

enum class Saving { ThisRoom, NotThisRoom };

// This room's part in a circuit of rooms: alone, leading or following. The program asks it
// what it needs to know (may this room save? may the operator command the clock? is the
// room out of step?) rather than asking which part it plays.
class RoomRole : public QObject
{
    Q_OBJECT
public:
    explicit RoomRole(Saving saving = Saving::ThisRoom,
                      ClockControls controls = ClockControls::Operable, QObject *parent = nullptr);

    // Once the clock has started up.
    virtual void start() { }

    Saving saving() const { return m_saving; }
    ClockControls controls() const { return m_controls; }
    // Marked 「同期なし」 on the status line while a phase is on.
    Presence outOfStep() const { return m_outOfStep; }
    // The status line's tooltip, plain text; empty for none.
    QString statusTip() const { return m_statusTip; }

    // Counted rows (rejected messages, ignored rooms): the first at once, then at most one a
    // minute, each with the count since the last.
    static constexpr int RejectedRowIntervalMs = 60'000;
    // At exit: what the counted rows have not told yet.
    void writeLastRows();

Q_SIGNALS:
    void statusChanged(); // outOfStep() or statusTip()
    void happened(zentrel::SessionEvent event, const QString &detail); // for the session log
    // The program cannot go on (another timer leads the circuit, TLS cannot be set up); the
    // reason, for the operator.
    void cannotGoOn(const QString &reason);

protected:
    enum class Tally { Rejected, IgnoredRooms };
    void setOutOfStep(Presence presence);
    void setStatusTip(const QString &tip);
    // A running total grew: messages rejected (screened, flood-dropped and unreadable
    // together) or rooms ignored for the roster's bound.
    void tallyGrew(Tally tally);
    virtual int total(Tally) const { return 0; }
    // Logged, then the program ends.
    void goNoFurther(const QString &reason);

private:
    void writeRow(Tally tally);

    Saving m_saving = Saving::ThisRoom;
    ClockControls m_controls = ClockControls::Operable;
    Presence m_outOfStep = Presence::Absent;
    QString m_statusTip;
    struct Rows
    {
        int logged = 0;
        QTimer minute;
    };
    Rows m_rows[2];
};

// The part the command line asks for, playing on this clock.
std::unique_ptr<RoomRole> makeRoomRole(const RoomLink &link, ExamClock &clock);

} // namespace zentrel
