#include "roomroster.h"

#include <algorithm>

namespace zentrel {

namespace {
void insertSorted(QStringList &list, const QString &entry)
{
    list.insert(std::lower_bound(list.begin(), list.end(), entry), entry);
}

void eraseSorted(QStringList &list, const QString &entry)
{
    const auto it = std::lower_bound(list.begin(), list.end(), entry);
    if (it != list.end() && *it == entry)
        list.erase(it);
}
} // namespace

RosterChange RoomRoster::update(const QByteArray &roomId, const RoomPresence &presence)
{
    const auto it = m_rooms.find(roomId);
    if (it == m_rooms.end()) {
        if (m_rooms.size() >= MaxRooms)
            return RosterChange::Full;
        m_rooms.insert(roomId, presence);
        list(presence);
        return RosterChange::Joined;
    }
    if (*it == presence)
        return RosterChange::Same;
    const bool renamed = it->room != presence.room;
    unlist(*it);
    *it = presence;
    list(presence);
    return renamed ? RosterChange::Joined : RosterChange::Restood;
}

RosterChange RoomRoster::remove(const QByteArray &roomId)
{
    const auto it = m_rooms.find(roomId);
    if (it == m_rooms.end())
        return RosterChange::Same;
    unlist(*it);
    m_rooms.erase(it);
    return RosterChange::Left;
}

QString RoomRoster::text() const
{
    QString text = m_following.isEmpty() ? QStringLiteral("同期中の部屋はありません")
                                         : QStringLiteral("%1 部屋が同期中: %2")
                                               .arg(m_following.size())
                                               .arg(m_following.join(QStringLiteral(", ")));
    if (!m_outOfStep.isEmpty())
        text += QStringLiteral("\n同期していない部屋: %1")
                    .arg(m_outOfStep.join(QStringLiteral(", ")));
    return text;
}

// The room's own reason when it tells one; a room of the version before tells its standing.
QString RoomRoster::outOfStepEntry(const RoomPresence &presence)
{
    switch (presence.why) {
    case StepFault::NoLeader:
        return presence.room + QStringLiteral("（リーダーなし）");
    case StepFault::BrokerLost:
        return presence.room + QStringLiteral("（ブローカー切断）");
    case StepFault::Rival:
        return presence.room + QStringLiteral("（別のリーダー）");
    case StepFault::Skew:
        return presence.room + QStringLiteral("（時刻のずれ）");
    case StepFault::Version:
        return presence.room + QStringLiteral("（版の違い）");
    case StepFault::Key:
    case StepFault::None:
        break;
    }
    return presence.room
        + (presence.standing == RoomStanding::Rejecting ? QStringLiteral("（鍵が合わず受信拒否）")
                                                        : QStringLiteral("（切断）"));
}

void RoomRoster::list(const RoomPresence &presence)
{
    if (presence.standing == RoomStanding::Following)
        insertSorted(m_following, presence.room);
    else
        insertSorted(m_outOfStep, outOfStepEntry(presence));
}

void RoomRoster::unlist(const RoomPresence &presence)
{
    if (presence.standing == RoomStanding::Following)
        eraseSorted(m_following, presence.room);
    else
        eraseSorted(m_outOfStep, outOfStepEntry(presence));
}

} // namespace zentrel
