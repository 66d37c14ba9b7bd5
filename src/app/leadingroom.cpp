#include "leadingroom.h"

#include "sessionrecorder.h"

#include <QLabel>

namespace zentrel {

LeadingRoom::LeadingRoom(const BrokerLogin &login, SessionRecorder &recorder, QLabel &statusLine,
                         QObject *parent)
    : QObject(parent)
    , m_leader(login)
    , m_recorder(recorder)
    , m_statusLine(statusLine)
{
    connect(&m_leader, &RoomLeader::refused, this, &LeadingRoom::refused);
    connect(&m_leader, &RoomLeader::followerJoined, this,
            [this](const QString &room) { m_recorder.record(SessionEvent::FollowerJoined, room); });
    connect(&m_leader, &RoomLeader::followerLeft, this,
            [this](const QString &room) { m_recorder.record(SessionEvent::FollowerLeft, room); });
    connect(&m_leader, &RoomLeader::followerCountChanged, this, &LeadingRoom::showFollowers);
    connect(&m_leader, &RoomLeader::leading, this, &LeadingRoom::showFollowers);
}

void LeadingRoom::start()
{
    m_leader.start();
}

void LeadingRoom::publish(const ClockSnapshot &clock)
{
    if (m_published == clock)
        return;
    m_published = clock;
    m_leader.publish(clock);
}

void LeadingRoom::showFollowers()
{
    m_statusLine.setToolTip(followersText(m_leader.followerRooms()));
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
