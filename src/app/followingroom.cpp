#include "followingroom.h"

#include "clock/examclock.h"
#include "clock/phases.h"
#include "followergates.h"
#include "roomclock.h"
#include "sessionrecorder.h"
#include "window/form1.h"

namespace zentrel {
namespace {
QString cutOffText(CutOffReason reason)
{
    switch (reason) {
    case CutOffReason::BrokerLost:
        return QStringLiteral("ブローカーとの接続が切れました");
    case CutOffReason::LeaderGone:
        return QStringLiteral("リーダーが終了しました");
    case CutOffReason::LeaderSilent:
        return QStringLiteral("リーダーから届きません");
    }
    return {};
}
} // namespace

FollowingRoom::FollowingRoom(const BrokerLogin &login, const QString &room, Parts parts,
                             QObject *parent)
    : QObject(parent)
    , m_follower(login, room)
    , m_parts(parts)
{
    connect(&m_follower, &RoomFollower::snapshotReceived, this, &FollowingRoom::onSnapshot);
    connect(&m_follower, &RoomFollower::cutOff, this, &FollowingRoom::onCutOff);
    connect(&m_follower, &RoomFollower::rejoined, this, &FollowingRoom::onRejoined);
    // Nothing heard yet is as cut off as can be; the mark shows once a phase is on.
    m_parts.window.setStatusMark(StatusMark::NoSync, Presence::Present);
    m_parts.ticks.setPace(TickPace::Exact);
}

void FollowingRoom::start()
{
    m_follower.start();
}

void FollowingRoom::onSnapshot(const ClockSnapshot &leader)
{
    const FollowerStep step = m_sync.takeLeaderSnapshot(leader);
    m_adopting = true;
    m_parts.clock.adopt(stateOf(step.show));
    m_adopting = false;
    // A leader's clock can stand at 0:00 of a phase with nothing left to count.
    if (!step.show.TimerRunning)
        m_parts.ticks.stop();
    if (step.show.PhaseDurations != m_boxes) {
        m_boxes = step.show.PhaseDurations;
        m_parts.window.showLengths(m_boxes);
    }
    play(step);
}

void FollowingRoom::onCountShown()
{
    if (m_adopting)
        return;
    const TimerRun timer = m_parts.ticks.isRunning() ? TimerRun::Running : TimerRun::Stopped;
    play(m_sync.takeOwnTick(snapshotOf(m_parts.clock.state(), timer)));
}

void FollowingRoom::play(const FollowerStep &step)
{
    if (step.playWarning)
        m_parts.recorder.playWarningCue();
    if (step.playPhaseCue) {
        // The clock sets the file only when its own tick enters a phase.
        m_parts.recorder.setPhaseCueFile(
            QString::fromLatin1(announcementDuring(Phase(step.show.Phase))));
        m_parts.recorder.playPhaseCue();
    }
}

void FollowingRoom::onCutOff(CutOffReason reason)
{
    m_parts.ticks.setPace(TickPace::Exact);
    m_parts.window.setStatusMark(StatusMark::NoSync, Presence::Present);
    m_parts.recorder.record(SessionEvent::SyncLost, cutOffText(reason));
}

void FollowingRoom::onRejoined()
{
    m_parts.ticks.setPace(TickPace::StandIn);
    m_parts.window.setStatusMark(StatusMark::NoSync, Presence::Absent);
    m_parts.recorder.record(SessionEvent::SyncRegained);
}

} // namespace zentrel
