#pragma once

#include "roomfollower.h"
#include "roomrole.h"

namespace zentrel {

// Follows a circuit's leader: the clock takes each state the leader sends, and counts on by
// itself from the last one while the leader is not heard (marked 「同期なし」). Its own
// timer stands in half an interval slow, so a late message does not show a count twice. The
// boxes and commands are the leader's, and nothing is saved here.
class FollowingRole : public RoomRole
{
    Q_OBJECT
public:
    FollowingRole(const BrokerLogin &login, const QString &room, ExamClock &clock,
                  QObject *parent = nullptr);

    void start() override;

    const RoomFollower &follower() const { return m_follower; }

private:
    int total(Tally tally) const override;

    RoomFollower m_follower;
    ExamClock &m_clock;
    bool m_joined = false; // the first join starts the sync, later ones regain it
};

} // namespace zentrel
