#include "leadingrole.h"

#include "clock/examclock.h"
#include "cutofftext.h"

namespace zentrel {

LeadingRole::LeadingRole(const BrokerLogin &login, ExamClock &clock, QObject *parent)
    : RoomRole(Saving::ThisRoom, ClockControls::Operable, parent)
    , m_leader(login)
    , m_clock(clock)
{
    connect(&m_leader, &RoomLeader::refused, this, &RoomRole::cannotGoOn);
    connect(&m_leader, &RoomLeader::followerJoined, this,
            [this](const QString &room) { Q_EMIT happened(RoomEvent::FollowerJoined, room); });
    connect(&m_leader, &RoomLeader::followerLeft, this,
            [this](const QString &room) { Q_EMIT happened(RoomEvent::FollowerLeft, room); });
    connect(&m_leader, &RoomLeader::followerCountChanged, this,
            [this] { setStatusTip(followersText(m_leader.followerRooms())); });
    connect(&m_leader, &RoomLeader::leading, this, [this] {
        setStatusTip(followersText(m_leader.followerRooms()));
        if (outOfStep() == Presence::Present) {
            setOutOfStep(Presence::Absent);
            Q_EMIT happened(RoomEvent::SyncRegained, {});
        }
    });
    connect(&m_leader, &RoomLeader::brokerLost, this, [this] {
        if (outOfStep() == Presence::Absent) {
            setOutOfStep(Presence::Present);
            Q_EMIT happened(RoomEvent::SyncLost, cutOffText(CutOffReason::BrokerLost));
        }
    });
    connect(&m_leader, &RoomLeader::messageRejected, this, [this] { countRejected(); });
    connect(&clock, &ExamClock::changed, this,
            [this](const ClockChange &change) { publish(change.state); });
}

void LeadingRole::start()
{
    m_leader.start();
    publish(m_clock.state());
}

// A state that did not change is not sent again; the leader repeats it by itself.
void LeadingRole::publish(const ClockState &state)
{
    if (m_published == state)
        return;
    m_published = state;
    m_leader.publish(state);
}

QString followersText(QStringList rooms)
{
    if (rooms.isEmpty())
        return QStringLiteral("同期中の部屋はありません");
    rooms.sort();
    return QStringLiteral("%1 部屋が同期中: %2")
        .arg(rooms.size())
        .arg(rooms.join(QStringLiteral(", ")));
}

} // namespace zentrel
