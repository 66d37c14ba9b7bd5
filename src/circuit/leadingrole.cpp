#include "leadingrole.h"

#include "clock/examclock.h"
#include "cutofftext.h"

namespace zentrel {

LeadingRole::LeadingRole(const BrokerLogin &login, ExamClock &clock, QObject *parent)
    : RoomRole(Saving::ThisRoom, ClockControls::Operable, parent)
    , m_leader(login)
    , m_clock(clock)
{
    m_tipUpdate.setSingleShot(true);
    m_tipUpdate.setInterval(0);
    connect(&m_tipUpdate, &QTimer::timeout, this,
            [this] { setStatusTip(m_leader.roster().text()); });
    connect(&m_leader, &RoomLeader::refused, this, &LeadingRole::goNoFurther);
    connect(&m_leader, &RoomLeader::followerJoined, this,
            [this](const QString &room) { Q_EMIT happened(SessionEvent::FollowerJoined, room); });
    connect(&m_leader, &RoomLeader::followerLeft, this,
            [this](const QString &room) { Q_EMIT happened(SessionEvent::FollowerLeft, room); });
    connect(&m_leader, &RoomLeader::roomOutOfStep, this,
            [this](const QString &entry) { Q_EMIT happened(SessionEvent::RoomOutOfStep, entry); });
    connect(&m_leader, &RoomLeader::rosterChanged, &m_tipUpdate, qOverload<>(&QTimer::start));
    connect(&m_leader, &RoomLeader::roomIgnored, this, [this] { tallyGrew(Tally::IgnoredRooms); });
    connect(&m_leader, &RoomLeader::leading, this, [this] {
        m_brokerLost = false;
        showStep();
        setStatusTip(m_leader.roster().text());
    });
    connect(&m_leader, &RoomLeader::brokerLost, this, [this] {
        if (!std::exchange(m_brokerLost, true)) {
            showStep();
            Q_EMIT happened(SessionEvent::SyncLost, cutOffText(CutOffReason::BrokerLost));
        }
    });
    connect(&m_leader, &RoomLeader::rivalHeard, this, [this](const QByteArray &id) {
        showStep();
        Q_EMIT happened(SessionEvent::OtherLeader,
                        QStringLiteral("別のリーダー（ID %1）も時計を送っています")
                            .arg(QString::fromLatin1(id)));
    });
    connect(&m_leader, &RoomLeader::rivalGone, this, &LeadingRole::showStep);
    connect(&m_leader, &RoomLeader::messageRejected, this, [this] { tallyGrew(Tally::Rejected); });
    connect(&clock, &ExamClock::changed, this,
            [this](const ClockChange &change) { publish(change.state); });
}

int LeadingRole::total(Tally tally) const
{
    return tally == Tally::Rejected ? m_leader.rejectedMessages() : m_leader.ignoredRooms();
}

void LeadingRole::start()
{
    m_leader.start();
    publish(m_clock.state());
}

// Out of step while the broker is lost or another leader speaks; back once both are over.
void LeadingRole::showStep()
{
    const bool out = m_brokerLost || !m_leader.rival().isEmpty();
    const Presence before = outOfStep();
    setOutOfStep(out ? Presence::Present : Presence::Absent);
    if (before == Presence::Present && !out)
        Q_EMIT happened(SessionEvent::SyncRegained, {});
}

// A state that did not change is not sent again; the leader repeats it by itself.
void LeadingRole::publish(const ClockState &state)
{
    if (m_published == state)
        return;
    m_published = state;
    m_leader.publish(state);
}

} // namespace zentrel
