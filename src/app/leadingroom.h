#pragma once

#include "rooms/roomleader.h"

#include <QObject>
#include <optional>

class QLabel;

namespace zentrel {

class SessionRecorder;

// The leading side of a program: publishes the clock it is handed, counts the rooms that
// follow on the status line's tooltip and logs their joins and leaves.
class LeadingRoom : public QObject
{
    Q_OBJECT
public:
    LeadingRoom(const BrokerLogin &login, SessionRecorder &recorder, QLabel &statusLine,
                QObject *parent = nullptr);

    void start();
    // A state that did not change is not sent again; the leader repeats it by itself.
    void publish(const ClockSnapshot &clock);

    const RoomLeader &leader() const { return m_leader; }

Q_SIGNALS:
    // Another timer leads the circuit: the reason, for the operator. This one must end.
    void refused(const QString &reason);

private:
    void showFollowers();

    RoomLeader m_leader;
    SessionRecorder &m_recorder;
    QLabel &m_statusLine;
    std::optional<ClockSnapshot> m_published;
};

// The tooltip of a leader's status line: "2 部屋が同期中: 101, 102".
QString followersText(QStringList rooms);

} // namespace zentrel
