#include "roomrole.h"

#include "followingrole.h"
#include "leadingrole.h"

namespace zentrel {

RoomRole::RoomRole(Saving saving, ClockControls controls, QObject *parent)
    : QObject(parent)
    , m_saving(saving)
    , m_controls(controls)
{
    for (const Tally tally : { Tally::Rejected, Tally::IgnoredRooms }) {
        QTimer &minute = m_rows[int(tally)].minute;
        minute.setSingleShot(true);
        minute.setInterval(RejectedRowIntervalMs);
        connect(&minute, &QTimer::timeout, this, [this, tally] { writeRow(tally); });
    }
}

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

void RoomRole::tallyGrew(Tally tally)
{
    if (!m_rows[int(tally)].minute.isActive())
        writeRow(tally);
}

// Reads the total afresh, so that counts told late (or never, as flood-dropped messages) are
// in the next row.
void RoomRole::writeRow(Tally tally)
{
    Rows &rows = m_rows[int(tally)];
    const int count = total(tally) - rows.logged;
    if (count <= 0)
        return;
    rows.logged += count;
    rows.minute.start();
    if (tally == Tally::Rejected)
        Q_EMIT happened(SessionEvent::MessagesRejected, QStringLiteral("%1 件").arg(count));
    else
        Q_EMIT happened(SessionEvent::RoomsOverLimit, QStringLiteral("%1 部屋").arg(count));
}

void RoomRole::writeLastRows()
{
    writeRow(Tally::Rejected);
    writeRow(Tally::IgnoredRooms);
}

void RoomRole::goNoFurther(const QString &reason)
{
    Q_EMIT happened(SessionEvent::CircuitRefused, reason);
    Q_EMIT cannotGoOn(reason);
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
