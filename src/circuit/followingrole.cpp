#include "followingrole.h"

#include "clock/examclock.h"
#include "cutofftext.h"

namespace zentrel {

FollowingRole::FollowingRole(const BrokerLogin &login, const QString &room, ExamClock &clock,
                             QObject *parent)
    : RoomRole(Saving::NotThisRoom, ClockControls::Locked, parent)
    , m_follower(login, room)
    , m_clock(clock)
{
    connect(&m_follower, &RoomFollower::stateReceived, &clock, &ExamClock::adopt);
    connect(&m_follower, &RoomFollower::cutOff, this, [this](CutOffReason reason) {
        m_clock.setPace(TickPace::Exact);
        setOutOfStep(Presence::Present);
        Q_EMIT happened(SessionEvent::SyncLost, cutOffText(reason));
    });
    connect(&m_follower, &RoomFollower::rejoined, this, [this] {
        m_clock.setPace(TickPace::StandIn);
        setOutOfStep(Presence::Absent);
        setStatusTip({});
        Q_EMIT happened(std::exchange(m_joined, true) ? SessionEvent::SyncRegained
                                                      : SessionEvent::SyncStarted,
                        {});
    });
    connect(&m_follower, &RoomFollower::clocksRefused, this, [this](MessageFault fault) {
        setStatusTip(refusalText(fault));
        Q_EMIT happened(SessionEvent::ClocksRefused, refusalText(fault));
    });
    connect(&m_follower, &RoomFollower::messageRejected, this,
            [this] { tallyGrew(Tally::Rejected); });
    connect(&m_follower, &RoomFollower::setupFailed, this, &FollowingRole::goNoFurther);
    // Nothing heard yet is as cut off as can be; the mark shows once a phase is on.
    setOutOfStep(Presence::Present);
    m_clock.setPace(TickPace::Exact);
}

int FollowingRole::total(Tally tally) const
{
    return tally == Tally::Rejected ? m_follower.rejectedMessages() : 0;
}

void FollowingRole::start()
{
    m_follower.start();
}

} // namespace zentrel
