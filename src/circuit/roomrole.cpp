#include "roomrole.h"

#include "followingrole.h"
#include "leadingrole.h"

namespace zentrel {

RoomRole::RoomRole(Saving saving, ClockControls controls, QObject *parent)
    : QObject(parent)
    , m_saving(saving)
    , m_controls(controls)
{ }

void RoomRole::setOutOfStep(Presence presence)
{
    if (std::exchange(m_outOfStep, presence) != presence)
        Q_EMIT statusChanged();
}

void RoomRole::setStatusTip(const QString &tip)
{
    if (std::exchange(m_statusTip, tip) != tip)
        Q_EMIT statusChanged();
}

void RoomRole::countRejected(int count)
{
    m_rejectedUnlogged += count;
    if (m_rejectedLogged.isValid() && m_rejectedLogged.elapsed() < RejectedRowIntervalMs)
        return;
    m_rejectedLogged.start();
    Q_EMIT happened(SessionEvent::MessagesRejected,
                    QStringLiteral("%1 件").arg(std::exchange(m_rejectedUnlogged, 0)));
}

void RoomRole::countIgnoredRoom()
{
    ++m_ignoredUnlogged;
    if (m_ignoredLogged.isValid() && m_ignoredLogged.elapsed() < RejectedRowIntervalMs)
        return;
    m_ignoredLogged.start();
    Q_EMIT happened(SessionEvent::RoomsOverLimit,
                    QStringLiteral("%1 部屋").arg(std::exchange(m_ignoredUnlogged, 0)));
}

std::unique_ptr<RoomRole> makeRoomRole(const RoomLink &link, ExamClock &clock)
{
    switch (link.role) {
    case RoleKind::Lead:
        return std::make_unique<LeadingRole>(link.login, clock);
    case RoleKind::Follow:
        return std::make_unique<FollowingRole>(link.login, link.room, clock);
    case RoleKind::Alone:
        break;
    }
    return std::make_unique<RoomRole>();
}

} // namespace zentrel
